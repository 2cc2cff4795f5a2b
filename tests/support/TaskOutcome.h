#pragma once

#include "platform/TaskOutcome.h"
