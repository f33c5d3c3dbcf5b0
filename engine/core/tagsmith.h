// Public interface of the tagsmith engine: the numbered stages, the state the
// caller reads, the parameter record and the registry.
#pragma once

#include "container.h"
#include "enginestate.h"
#include "fileutil.h"
#include "params.h"
#include "pipeline.h"
#include "shellexec.h"
#include "zhelpers.h"
#include "../vector/registry.h"
