#pragma once

// The harness for the GoogleTest cases.

#include <gtest/gtest.h>

#include "anim_harness.h"
