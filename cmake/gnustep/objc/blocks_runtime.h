#pragma once
// Debian ships the blocks runtime header under this name only.
#include <Block.h>
