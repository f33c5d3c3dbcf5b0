// Public interface of the tagsmith engine: the numbered stages and the call
// that runs them for one file, the state the caller reads, the parameter
// record and the tag table.
#pragma once

#include "../core/container.h"
#include "../core/enginestate.h"
#include "../core/fileutil.h"
#include "../core/params.h"
#include "../core/shellexec.h"
#include "../core/zhelpers.h"
#include "facade.h"
#include "pipeline.h"
#include "tagtable.h"
