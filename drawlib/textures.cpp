#include "drawlib/textures.h"

#include <algorithm>
#include <cmath>

namespace {

float hash(int x, int y, std::uint32_t seed)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0xFFFFFF);
}

float smooth(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

std::uint8_t toByte(float v)
{
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}

// Sum of octaves of tileable noise, each of twice the frequency.
float fractal(float u, float v, int period, int octaves, std::uint32_t seed)
{
    float sum = 0.0f, amp = 0.5f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        const int p = period << o;
        sum += amp * tileNoise(u * p, v * p, p, seed + o);
        norm += amp;
        amp *= 0.5f;
    }
    return sum / norm;
}

} // namespace

float tileNoise(float x, float y, int period, std::uint32_t seed)
{
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = smooth(x - x0), fy = smooth(y - y0);
    auto at = [&](int i, int j) {
        return hash(((i % period) + period) % period, ((j % period) + period) % period, seed);
    };
    const float a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

Image makeSkinTexture(int size)
{
    Image img{size, size, 3, std::vector<std::uint8_t>(size * size * 3)};
    // Cells on a staggered grid; each pixel takes its distance to the
    // nearest cell centre, which gives rounded scales.
    const int cells = 8;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = static_cast<float>(x) / size * cells;
            const float v = static_cast<float>(y) / size * cells;
            float nearest = 1e9f, second = 1e9f;
            float tone = 0.0f;
            const int cy = static_cast<int>(std::floor(v));
            for (int j = cy - 1; j <= cy + 1; ++j) {
                const float shift = (j & 1) ? 0.5f : 0.0f;
                const int cx = static_cast<int>(std::floor(u - shift));
                for (int i = cx - 1; i <= cx + 1; ++i) {
                    const float px = i + shift + 0.5f + 0.25f * (hash(i, j, 7) - 0.5f);
                    const float py = j + 0.5f + 0.25f * (hash(i, j, 8) - 0.5f);
                    const float d = std::hypot(u - px, v - py);
                    if (d < nearest) {
                        second = nearest;
                        nearest = d;
                        tone =
                            hash(((i % cells) + cells) % cells, ((j % cells) + cells) % cells, 9);
                    } else if (d < second) {
                        second = d;
                    }
                }
            }
            const float seam = std::clamp((second - nearest) * 4.0f, 0.0f, 1.0f);
            const float grain =
                fractal(static_cast<float>(x) / size, static_cast<float>(y) / size, 8, 3, 11);
            const float value = 0.80f + 0.14f * seam + 0.05f * tone + 0.06f * (grain - 0.5f);
            for (int ch = 0; ch < 3; ++ch)
                img.pixels[(y * size + x) * 3 + ch] = toByte(value * (ch == 2 ? 0.98f : 1.0f));
        }
    return img;
}

Image makeGroundTexture(int size)
{
    Image img{size, size, 3, std::vector<std::uint8_t>(size * size * 3)};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = static_cast<float>(x) / size, v = static_cast<float>(y) / size;
            const float coarse = fractal(u, v, 4, 3, 21);
            const float fine = tileNoise(u * 64, v * 64, 64, 23);
            const float value = 0.78f + 0.16f * coarse + 0.08f * (fine - 0.5f);
            img.pixels[(y * size + x) * 3 + 0] = toByte(value * 1.00f);
            img.pixels[(y * size + x) * 3 + 1] = toByte(value * 0.99f);
            img.pixels[(y * size + x) * 3 + 2] = toByte(value * 0.96f);
        }
    return img;
}

Image makeCloudTexture(int size)
{
    Image img{size, size, 1, std::vector<std::uint8_t>(size * size)};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float n =
                fractal(static_cast<float>(x) / size, static_cast<float>(y) / size, 4, 5, 31);
            img.pixels[y * size + x] = toByte(std::clamp((n - 0.45f) * 2.6f, 0.0f, 1.0f));
        }
    return img;
}
