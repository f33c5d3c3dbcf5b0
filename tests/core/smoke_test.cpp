#include <gtest/gtest.h>

#include "pipeline/tagsmith.h"
#include "support/swfbuilder.h"

TEST(Smoke, ParamsSize) { EXPECT_EQ(sizeof(Tparams), 160u); }
