#ifndef TESSARINE_RESOURCES_GENERATOR_PIECE_MESH_H
#define TESSARINE_RESOURCES_GENERATOR_PIECE_MESH_H

#include <string>

namespace resgen {

// The piece mesh as the text of a DirectX .x file.
std::string MakePieceMesh();

}  // namespace resgen

#endif
