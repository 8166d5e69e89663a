// Declares every command of the table as qv::<folder>::<Name>, with typed arguments.
#pragma once

#include "command_kinds.h"

#define CMD(name, folder, a1, a2, a3, a4, concepts, summary) \
    namespace qv::folder {                         \
    int32_t name(Arg<Kind::a1>, Arg<Kind::a2>, Arg<Kind::a3>, Arg<Kind::a4>); \
    }
#include "commands.h"
#undef CMD
