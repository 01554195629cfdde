#pragma once

// The loopback server lives with the tools the demo shares with the tests.
#include "loopback/LoopbackHttpsServer.h"
