#include "app/built_in.h"
#include "app/program.h"

#ifndef ZELVANTO_PROGRAM_VERSION
#error "ZELVANTO_PROGRAM_VERSION must be defined by the build"
#endif
#ifndef ZELVANTO_UPDATE_HOST
#error "ZELVANTO_UPDATE_HOST must be defined by the build"
#endif

const int ProgramVersion = ZELVANTO_PROGRAM_VERSION;

std::string UpdateServerHost() {
    return ZELVANTO_UPDATE_HOST;
}
