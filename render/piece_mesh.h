#pragma once
// The piece mesh all 27 pieces are drawn with, its materials and sticker textures.

#include <cstdint>

#include "cube/cubie.h"
#include "geometry/maths/matrix.h"
#include "platform/platform.h"

// The one mesh all 27 pieces are drawn with: subset 0 is the body, subset k >= 1 the sticker of
// face slot k - 1. A sticker's texture coordinates cover the first 30x30 tile of the sticker
// bitmap; shifting u by 0.1 per colour moves it onto that colour's tile.
struct PieceMesh {
    ID3DXMesh* mesh;
    std::uint32_t materialCount;
    D3DMATERIAL9* materials; // materialCount entries, Ambient replaced by Diffuse
    IDirect3DTexture9** textures; // materialCount entries; null where no texture is named
};

extern PieceMesh pieceMesh;

// Loads the mesh from the program's resources with its materials, and one texture made from the
// sticker bitmap for each material that names a texture file. False when the mesh cannot be
// loaded (silently) or a texture cannot be made (after a box naming the file); what was made
// stays, and drawing then leaves out the parts that are missing.
bool LoadPieceMesh(IDirect3DDevice9* device);
// Empties pieceMesh. Safe when empty and any number of times.
void ReleasePieceMesh();
// Draws one piece with the given world transform and the cubie's six sticker colours. Called
// inside the scene, with view and projection already set.
void DrawCubie(IDirect3DDevice9* device, const Mat4& world, const Cubie& cubie);
