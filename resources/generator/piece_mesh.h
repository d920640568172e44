#pragma once
// The piece mesh as a .x text file, written by the resource generator.

#include <string>

namespace resgen {

// The piece mesh as the text of a DirectX .x file.
std::string MakePieceMesh();

} // namespace resgen
