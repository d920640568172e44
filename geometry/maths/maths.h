#pragma once

// All of the program's vector, quaternion, plane and matrix operations.
#include "geometry/maths/matrix.h"
#include "geometry/maths/plane.h"
#include "geometry/maths/quaternion.h"
#include "geometry/maths/vec3.h"
