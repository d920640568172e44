#pragma once

// All of the program's vector, quaternion, plane and matrix operations.
#include "geometry/matrix.h"
#include "geometry/plane.h"
#include "geometry/quaternion.h"
#include "geometry/vec3.h"
