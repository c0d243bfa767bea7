#include "app/built_in.h"

#ifndef ZELVANTO_PROGRAM_VERSION
#error "ZELVANTO_PROGRAM_VERSION must be defined by the build"
#endif
#ifndef ZELVANTO_UPDATE_HOST
#error "ZELVANTO_UPDATE_HOST must be defined by the build"
#endif

int BuiltInProgramVersion() { return ZELVANTO_PROGRAM_VERSION; }

std::string UpdateServerHost() { return ZELVANTO_UPDATE_HOST; }
