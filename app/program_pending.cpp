// Stands in for the start-up and shut-down code until it lands.
void ProgramShutdown() {}
