// Textures made in code: tileable images for the creatures' skin, the ground
// and the clouds of the sky. Pure image generation; the window backend
// uploads them.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB
#error "drawlib/ is for drawlib/ and the floors above it"
#endif

#include <cstdint>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> pixels; // rows top to bottom
};

// Soft scales: light cells with darker seams, around 1 so it only shades
// the creature's own colour.
Image makeSkinTexture(int size = 128);
// Fine grain for the ground: two octaves of noise, light grey.
Image makeGroundTexture(int size = 256);
// Cloud cover: fractal noise, one channel.
Image makeCloudTexture(int size = 256);

// Tileable value noise with the given lattice period, in [0, 1].
float tileNoise(float x, float y, int period, std::uint32_t seed);
