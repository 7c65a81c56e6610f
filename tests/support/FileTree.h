#pragma once

// The file and folder helpers live beside the other file helpers.
#include "TestFiles.h"
