#pragma once
// The reference rasterizer behind the device: pre-transformed points, lines and triangles into a
// render target with an optional 16-bit depth buffer. Pixel centres sit at integer coordinates;
// triangles follow the top-left fill rule, lines leave out their last pixel, texel centres sit at
// (k + 1/2) / size, flat shading takes each primitive's first vertex, and every product of two
// 8-bit values is floor(a * b / 255) with saturating sums.
#include <cstddef>
#include <cstdint>

#include "platform/ddraw/pixel_view.h"
#include "platform/window/window.h"

namespace pf::d3d {

// Pixel layouts the rasterizer knows by name; anything else goes through the layout's masks.
enum class PixelKind : std::uint8_t { k565, k555, k1555, k4444, kX888, k8888, kOther };
PixelKind KindOfLayout(const pixels::Layout& layout);

struct Texture {
  const std::uint8_t* pixels;
  std::ptrdiff_t pitch;
  int width, height;
  PixelKind kind;
  pixels::Layout layout;
  bool keyed;                     // has a source colour key
  std::uint32_t keyLow, keyHigh;  // raw texel values
};

struct Stage {
  std::uint32_t colorOp, colorArg1, colorArg2;
  std::uint32_t alphaOp, alphaArg1, alphaArg2;
  std::uint32_t texCoordIndex;
  std::uint32_t addressU, addressV;
  std::uint32_t magFilter, minFilter;
  const Texture* texture;         // null: no texture bound
};

struct RasterState {
  pixels::View target;
  PixelKind targetKind;
  std::uint8_t* depth;            // 16-bit depth values, or null
  std::ptrdiff_t depthPitch;
  Rect scissor;                   // viewport within the target
  float minZ, maxZ;
  bool depthTest, depthWrite;
  std::uint32_t zFunc;
  bool flat;
  std::uint32_t cull;
  bool alphaTest;
  std::uint32_t alphaFunc;
  std::uint32_t alphaRef;
  bool blend;
  std::uint32_t srcBlend, destBlend;
  std::uint32_t textureFactor;
  bool colorKey;
  bool perspective;
  Stage stages[4];
  int stageCount;                 // stages before the first whose colour operation is DISABLE
};

constexpr int kTexCoordSets = 4;

struct Vertex {
  float x, y, z, rhw;
  std::uint32_t diffuse, specular;  // 0xAARRGGBB
  float u[kTexCoordSets], v[kTexCoordSets];
};

void DrawPoint(const RasterState& state, const Vertex& v);
// A flat-shaded line takes the colours of `a`.
void DrawLine(const RasterState& state, const Vertex& a, const Vertex& b);
// A flat-shaded triangle takes the colours of `a`.
void DrawTriangle(const RasterState& state, const Vertex& a, const Vertex& b, const Vertex& c);
// Two triangles drawn as if one after the other; rows the same span covers in one piece go as one call.
void DrawTrianglePair(const RasterState& state, const Vertex* first[3], const Vertex* second[3]);

// Whether triangles may take the specialised spans (tests compare both paths).
void SetFastSpansEnabled(bool enabled);

}  // namespace pf::d3d
