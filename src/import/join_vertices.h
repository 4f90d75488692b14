// Shares the vertices of a mesh that are the same in every attribute.
#pragma once

struct aiMesh;

// Replaces the vertices the faces use by one of each kind: vertices alike in position, normal,
// tangent, bitangent, every colour and every texture coordinate (bit for bit, with -0 taken as
// 0) become one, the first of them in vertex order, and the faces are renumbered. Vertices no
// face uses are dropped; the kept ones stay in their order. Linear in the vertex count.
// A mesh with a face index out of range is left as it is, for the structure check to refuse.
// The mesh must have no bones or morph targets (they are dropped before this runs).
void joinIdenticalVertices(aiMesh& mesh);
