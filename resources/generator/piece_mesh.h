#pragma once

#include <string>

namespace resgen {

// The piece mesh as the text of a DirectX .x file.
std::string MakePieceMesh();

} // namespace resgen
