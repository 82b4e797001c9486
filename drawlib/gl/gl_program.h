// Shader programs: compiling and linking GLSL sources with their
// attributes bound to locations in the order given; textures made in code
// uploaded with their mipmaps.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB_GL
#error "drawlib/gl/ is for drawlib/gl/ and the floors above it"
#endif

#include <initializer_list>
#include <string>

struct Image;

// The linked program, or 0 with the compiler's or linker's message.
unsigned linkProgram(const char* vertexSource, const char* fragmentSource,
                     std::initializer_list<const char*> attributes, std::string& error);

// Location of a uniform of the program (-1 when it has none of that name).
int uniform(unsigned program, const char* name);

// GLSL shared by the shadow programs (after their #version, attributes and
// uViewProj):
// shadowPosition(w) flattens a world point onto the ground along the light
// and sets vAlpha, the shadow's darkness, fading with the fog.
extern const char* const kShadowProjection;

// The light inputs a lit program's vertices hand to its pixels, declared
// alike in both (after the #version).
extern const char* const kLitVaryings;

// GLSL shared by the lit programs' vertex shaders (after their #version,
// kLitVaryings and uViewProj): litOutputs(p, n, tex, color, material) hands
// a world point's light inputs to the lit fragment program, its fog worked
// out here, per vertex, and returns its place on the screen.
extern const char* const kLitOutputs;

// A texture of the image (one, three or four channels), repeating, with
// mipmaps sampled one level at a time.
unsigned uploadTexture(const Image& img);
