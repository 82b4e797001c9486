#include "drawlib/gl/gl_program.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "drawlib/textures.h"

namespace {

unsigned compile(GLenum type, const char* source, std::string& error)
{
    const GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetShaderInfoLog(s, sizeof log, nullptr, log);
        error = std::string("shader: ") + log;
        glDeleteShader(s);
        return 0;
    }
    return s;
}

} // namespace

unsigned linkProgram(const char* vs, const char* fs, std::initializer_list<const char*> attributes,
                     std::string& error)
{
    const GLuint v = compile(GL_VERTEX_SHADER, vs, error);
    if (!v)
        return 0;
    const GLuint f = compile(GL_FRAGMENT_SHADER, fs, error);
    if (!f) {
        glDeleteShader(v);
        return 0;
    }
    const GLuint p = glCreateProgram();
    glAttachShader(p, v);
    glAttachShader(p, f);
    GLuint location = 0;
    for (const char* a : attributes)
        glBindAttribLocation(p, location++, a);
    glLinkProgram(p);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetProgramInfoLog(p, sizeof log, nullptr, log);
        error = std::string("shader program: ") + log;
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

int uniform(unsigned program, const char* name)
{
    return glGetUniformLocation(program, name);
}

unsigned uploadTexture(const Image& img)
{
    GLuint t = 0;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    const GLenum format = img.channels == 1   ? GL_LUMINANCE
                         : img.channels == 4 ? GL_RGBA
                                             : GL_RGB;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // One mipmap level per lookup: the software renderer pays for each texel.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, format, img.width, img.height, 0, format, GL_UNSIGNED_BYTE,
                 img.pixels.data());
    return t;
}

const char* const kShadowProjection = R"(
uniform vec3 uLight;
uniform vec3 uEye;
uniform vec2 uFog;
varying float vAlpha;
vec4 shadowPosition(vec3 w) {
    vec3 p = w - uLight * (max(w.z, 0.0) / uLight.z);
    p.z = 0.0;
    float f = clamp((length(p - uEye) - uFog.x) / max(uFog.y - uFog.x, 1.0), 0.0, 1.0);
    f = 1.0 - f;
    vAlpha = 0.42 * f * f * f * f;
    return uViewProj * vec4(p, 1.0);
}
)";

const char* const kLitVaryings = R"(
varying vec3 vView;
varying float vFog;
varying vec3 vNormal;
varying vec3 vTex;
varying vec4 vColor;
varying vec4 vMaterial;
)";

const char* const kLitOutputs = R"(
uniform vec3 uEye;
uniform vec2 uFog;
vec4 litOutputs(vec3 p, vec3 n, vec3 tex, vec4 color, vec4 material) {
    vView = uEye - p;
    float f = clamp((length(vView) - uFog.x) / max(uFog.y - uFog.x, 1.0), 0.0, 1.0);
    f = 1.0 - f;
    vFog = 1.0 - f * f * f * f;
    vNormal = n;
    vTex = tex;
    vColor = color;
    vMaterial = material;
    return uViewProj * vec4(p, 1.0);
}
)";
