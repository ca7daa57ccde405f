// Vertex processing of model-space vertices: the world, view and projection transforms, lighting
// from the material, the ambient colour and the enabled lights (in camera space, viewer at the
// origin), clipping to the near and far planes, and the viewport mapping. The results go to the
// rasterizer as pre-transformed vertices. The material's colours are used as they are set: vertex
// colours do not stand in for them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/d3d/d3d_internal.h"

namespace pf::d3d {
namespace {

struct Vec3 {
  float x, y, z;
};
Vec3 Sub(Vec3 a, Vec3 b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Add(Vec3 a, Vec3 b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalized(Vec3 a) {
  const float length = std::sqrt(Dot(a, a));
  return length > 0.0f ? Vec3{a.x / length, a.y / length, a.z / length} : a;
}

D3DMatrix Identity() {
  D3DMatrix m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

// Row vectors: a point p becomes p * m.
D3DMatrix Multiply(const D3DMatrix& a, const D3DMatrix& b) {
  D3DMatrix r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
      r.m[i][j] = sum;
    }
  }
  return r;
}

void TransformPoint(const float p[4], const D3DMatrix& m, float out[4]) {
  for (int j = 0; j < 4; ++j) out[j] = p[0] * m.m[0][j] + p[1] * m.m[1][j] + p[2] * m.m[2][j] + p[3] * m.m[3][j];
}

Vec3 TransformDirection(Vec3 d, const float m[3][3]) {
  return Vec3{d.x * m[0][0] + d.y * m[1][0] + d.z * m[2][0], d.x * m[0][1] + d.y * m[1][1] + d.z * m[2][1],
              d.x * m[0][2] + d.y * m[1][2] + d.z * m[2][2]};
}

// Normals go through the inverse transpose of the upper 3 x 3 (the plain matrix when it has none).
void NormalMatrix(const D3DMatrix& m, float out[3][3]) {
  const float (&a)[4][4] = m.m;
  const float c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1], c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2],
              c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
  const float determinant = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
  if (std::fabs(determinant) < 1e-20f || !std::isfinite(determinant)) {
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) out[i][j] = a[i][j];
    }
    return;
  }
  const float k = 1.0f / determinant;
  // The cofactor matrix over the determinant is the inverse transposed.
  out[0][0] = c00 * k, out[0][1] = c01 * k, out[0][2] = c02 * k;
  out[1][0] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * k;
  out[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * k;
  out[1][2] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * k;
  out[2][0] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * k;
  out[2][1] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * k;
  out[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * k;
}

// Where each part of a model-space vertex sits; false for a format the device cannot read.
struct ModelLayout {
  int stride;
  int normal, diffuse, specular, texture;   // byte offsets, -1 when absent
  int sets;
};

bool ModelLayoutOf(std::uint32_t fvf, ModelLayout* out) {
  constexpr std::uint32_t kKnown = 0x00E | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;
  if ((fvf & ~kKnown) != 0) return false;
  int offset = 12;
  out->normal = (fvf & D3DFVF_NORMAL) ? offset : -1;
  if (fvf & D3DFVF_NORMAL) offset += 12;
  out->diffuse = (fvf & D3DFVF_DIFFUSE) ? offset : -1;
  if (fvf & D3DFVF_DIFFUSE) offset += 4;
  out->specular = (fvf & D3DFVF_SPECULAR) ? offset : -1;
  if (fvf & D3DFVF_SPECULAR) offset += 4;
  out->sets = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  if (out->sets > 8) return false;
  out->texture = out->sets > 0 ? offset : -1;
  out->stride = offset + 8 * out->sets;
  return true;
}

// A light in camera space, with what its cone and reach need.
struct ViewLight {
  std::uint32_t type;
  D3DColorValue diffuse, specular, ambient;
  Vec3 position, direction;
  float range, falloff, attenuation0, attenuation1, attenuation2;
  float cosHalfTheta, cosHalfPhi;
};

struct LightingSetup {
  bool on;
  bool specularOn;
  bool normalize;
  D3DColorValue ambient;
  D3DMaterial7 material;
  std::vector<ViewLight> lights;
  float normalMatrix[3][3];
};

D3DColorValue ColorOfArgb(std::uint32_t argb) {
  return D3DColorValue{((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                       (argb >> 24) / 255.0f};
}

std::uint32_t Channel(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<std::uint32_t>(value * 255.0f + 0.5f);
}

std::uint32_t ArgbOf(float r, float g, float b, float a) {
  return Channel(a) << 24 | Channel(r) << 16 | Channel(g) << 8 | Channel(b);
}

// How much of a light reaches a point: 0 outside its range or cone.
float LightShare(const ViewLight& light, Vec3 point, Vec3* towardLight) {
  if (light.type == D3DLIGHT_DIRECTIONAL) {
    *towardLight = Normalized(Vec3{-light.direction.x, -light.direction.y, -light.direction.z});
    return 1.0f;
  }
  const Vec3 toLight = Sub(light.position, point);
  const float distance = std::sqrt(Dot(toLight, toLight));
  if (distance > light.range) return 0.0f;
  *towardLight = Normalized(toLight);
  const float fade = light.attenuation0 + light.attenuation1 * distance + light.attenuation2 * distance * distance;
  float share = fade > 0.0f ? 1.0f / fade : 1.0f;
  if (light.type == D3DLIGHT_SPOT) {
    const Vec3 away{-towardLight->x, -towardLight->y, -towardLight->z};
    const float rho = Dot(Normalized(light.direction), away);
    if (rho <= light.cosHalfPhi) return 0.0f;
    if (rho < light.cosHalfTheta) {
      const float edge = (rho - light.cosHalfPhi) / (light.cosHalfTheta - light.cosHalfPhi);
      share *= light.falloff == 1.0f ? edge : std::pow(edge, light.falloff);
    }
  }
  return share;
}

// The diffuse and specular colours of a lit vertex at `point` (camera space) with normal `normal`.
void LightVertex(const LightingSetup& lit, Vec3 point, Vec3 normal, std::uint32_t* diffuse, std::uint32_t* specular) {
  const D3DMaterial7& m = lit.material;
  float r = m.emissive.r + lit.ambient.r * m.ambient.r;
  float g = m.emissive.g + lit.ambient.g * m.ambient.g;
  float b = m.emissive.b + lit.ambient.b * m.ambient.b;
  float sr = 0.0f, sg = 0.0f, sb = 0.0f;
  const Vec3 toViewer = Normalized(Vec3{-point.x, -point.y, -point.z});
  for (const ViewLight& light : lit.lights) {
    Vec3 towardLight{0, 0, 0};
    const float share = LightShare(light, point, &towardLight);
    if (share <= 0.0f) continue;
    r += share * light.ambient.r * m.ambient.r;
    g += share * light.ambient.g * m.ambient.g;
    b += share * light.ambient.b * m.ambient.b;
    const float facing = Dot(normal, towardLight);
    if (facing <= 0.0f) continue;
    r += share * facing * light.diffuse.r * m.diffuse.r;
    g += share * facing * light.diffuse.g * m.diffuse.g;
    b += share * facing * light.diffuse.b * m.diffuse.b;
    if (lit.specularOn) {
      const float highlight = Dot(normal, Normalized(Add(towardLight, toViewer)));
      if (highlight > 0.0f) {
        const float power = share * std::pow(highlight, m.power);
        sr += power * light.specular.r * m.specular.r;
        sg += power * light.specular.g * m.specular.g;
        sb += power * light.specular.b * m.specular.b;
      }
    }
  }
  *diffuse = ArgbOf(r, g, b, m.diffuse.a);
  *specular = ArgbOf(sr, sg, sb, 0.0f);
}

// A vertex in clip space with its colours and texture coordinates.
struct ClipVertex {
  float x, y, z, w;
  std::uint32_t diffuse, specular;
  float u[kTexCoordSets], v[kTexCoordSets];
};

std::uint32_t MixArgb(std::uint32_t a, std::uint32_t b, float t) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const float ca = static_cast<float>((a >> shift) & 0xFF), cb = static_cast<float>((b >> shift) & 0xFF);
    const float mixed = ca + (cb - ca) * t;
    out |= static_cast<std::uint32_t>(std::clamp(mixed + 0.5f, 0.0f, 255.0f)) << shift;
  }
  return out;
}

ClipVertex Mix(const ClipVertex& a, const ClipVertex& b, float t) {
  ClipVertex r{};
  r.x = a.x + (b.x - a.x) * t;
  r.y = a.y + (b.y - a.y) * t;
  r.z = a.z + (b.z - a.z) * t;
  r.w = a.w + (b.w - a.w) * t;
  r.diffuse = MixArgb(a.diffuse, b.diffuse, t);
  r.specular = MixArgb(a.specular, b.specular, t);
  for (int set = 0; set < kTexCoordSets; ++set) {
    r.u[set] = a.u[set] + (b.u[set] - a.u[set]) * t;
    r.v[set] = a.v[set] + (b.v[set] - a.v[set]) * t;
  }
  return r;
}

// Signed distances to the near plane (z = 0) and the far plane (z = w): inside when not negative.
float NearDistance(const ClipVertex& v) { return v.z; }
float FarDistance(const ClipVertex& v) { return v.w - v.z; }

// Cuts a convex polygon by one plane; at most one vertex more comes out than went in.
std::vector<ClipVertex> CutPolygon(const std::vector<ClipVertex>& in, float (*distance)(const ClipVertex&)) {
  std::vector<ClipVertex> out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    const ClipVertex& a = in[i];
    const ClipVertex& b = in[(i + 1) % in.size()];
    const float da = distance(a), db = distance(b);
    if (da >= 0.0f) out.push_back(a);
    if ((da >= 0.0f) != (db >= 0.0f)) out.push_back(Mix(a, b, da / (da - db)));
  }
  return out;
}

struct ViewportMap {
  float x, y, halfWidth, halfHeight, minZ, depthRange;
};

Vertex ToScreen(const ClipVertex& c, const ViewportMap& map) {
  Vertex v{};
  const float rhw = 1.0f / c.w;
  v.x = map.x + (1.0f + c.x * rhw) * map.halfWidth;
  v.y = map.y + (1.0f - c.y * rhw) * map.halfHeight;
  v.z = map.minZ + c.z * rhw * map.depthRange;
  v.rhw = rhw;
  v.diffuse = c.diffuse;
  v.specular = c.specular;
  std::memcpy(v.u, c.u, sizeof v.u);
  std::memcpy(v.v, c.v, sizeof v.v);
  return v;
}

bool Visible(const ClipVertex& v) { return v.w > 0.0f && NearDistance(v) >= 0.0f && FarDistance(v) >= 0.0f; }

}  // namespace

HResult DeviceObject::DrawModelSpace(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices,
                                     std::uint32_t vertexCount, const std::uint16_t* indices,
                                     std::uint32_t indexCount) {
  ModelLayout layout{};
  if (!ModelLayoutOf(fvf, &layout)) return D3DERR_INVALIDVERTEXFORMAT;
  if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDPRIMITIVETYPE;
  if (ddraw::SurfaceDead(target_)) return ddraw::DeadObjectCall();
  if (target_->IsLost() != DD_OK) return DDERR_SURFACELOST;
  RasterState st{};
  Texture textures[kD3DStageCount]{};
  if (HResult built = BuildState(&st, textures); built != DD_OK) return built;

  auto transform = [&](std::uint32_t state) {
    auto found = transforms_.find(state);
    return found != transforms_.end() ? found->second : Identity();
  };
  const D3DMatrix view = transform(D3DTRANSFORMSTATE_VIEW);
  const D3DMatrix worldView = Multiply(transform(D3DTRANSFORMSTATE_WORLD), view);
  const D3DMatrix projection = transform(D3DTRANSFORMSTATE_PROJECTION);
  LightingSetup lit{};
  lit.on = renderStates_[D3DRS_LIGHTING] != 0;
  lit.specularOn = renderStates_[D3DRS_SPECULARENABLE] != 0;
  lit.normalize = renderStates_[D3DRS_NORMALIZENORMALS] != 0;
  lit.ambient = ColorOfArgb(renderStates_[D3DRS_AMBIENT]);
  lit.material = material_;
  NormalMatrix(worldView, lit.normalMatrix);
  if (lit.on) {
    float viewRotation[3][3];
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) viewRotation[i][j] = view.m[i][j];
    }
    for (const auto& [index, slot] : lights_) {
      if (!slot.enabled) continue;
      const D3DLight7& l = slot.light;
      const float at[4] = {l.position.x, l.position.y, l.position.z, 1.0f};
      float placed[4];
      TransformPoint(at, view, placed);
      lit.lights.push_back(ViewLight{l.type, l.diffuse, l.specular, l.ambient, Vec3{placed[0], placed[1], placed[2]},
                                     TransformDirection(Vec3{l.direction.x, l.direction.y, l.direction.z}, viewRotation),
                                     l.range, l.falloff, l.attenuation0, l.attenuation1, l.attenuation2,
                                     std::cos(l.theta * 0.5f), std::cos(l.phi * 0.5f)});
    }
  }

  // Every vertex once, whether or not an index reaches it.
  const auto* base = static_cast<const std::uint8_t*>(vertices);
  std::vector<ClipVertex> processed(vertexCount);
  for (std::uint32_t i = 0; i < vertexCount; ++i) {
    const std::uint8_t* at = base + static_cast<std::size_t>(i) * layout.stride;
    float position[4] = {0, 0, 0, 1};
    std::memcpy(position, at, 12);
    float inView[4], clip[4];
    TransformPoint(position, worldView, inView);
    TransformPoint(inView, projection, clip);
    ClipVertex& c = processed[i];
    c.x = clip[0], c.y = clip[1], c.z = clip[2], c.w = clip[3];
    c.diffuse = 0xFFFFFFFFu;
    c.specular = 0;
    if (layout.diffuse >= 0) std::memcpy(&c.diffuse, at + layout.diffuse, 4);
    if (layout.specular >= 0) std::memcpy(&c.specular, at + layout.specular, 4);
    if (lit.on) {
      Vec3 normal{0, 0, 0};
      if (layout.normal >= 0) {
        float n[3];
        std::memcpy(n, at + layout.normal, sizeof n);
        normal = TransformDirection(Vec3{n[0], n[1], n[2]}, lit.normalMatrix);
        if (lit.normalize) normal = Normalized(normal);
      }
      LightVertex(lit, Vec3{inView[0], inView[1], inView[2]}, normal, &c.diffuse, &c.specular);
    }
    for (int set = 0; set < layout.sets && set < kTexCoordSets; ++set) {
      float uv[2];
      std::memcpy(uv, at + layout.texture + 8 * set, sizeof uv);
      c.u[set] = uv[0];
      c.v[set] = uv[1];
    }
  }

  const D3DViewport7& vp = viewport_;
  const ViewportMap map{static_cast<float>(vp.x), static_cast<float>(vp.y), vp.width * 0.5f, vp.height * 0.5f,
                        vp.minZ, vp.maxZ - vp.minZ};
  const std::uint32_t count = indices != nullptr ? indexCount : vertexCount;
  const auto vertex = [&](std::uint32_t i) -> const ClipVertex& { return processed[indices != nullptr ? indices[i] : i]; };
  // A flat-shaded primitive keeps its first vertex's colours in every piece the clipping makes.
  auto keepFirstColours = [&](Vertex* v, const ClipVertex& first) {
    if (!st.flat) return;
    v->diffuse = first.diffuse;
    v->specular = first.specular;
  };
  auto triangle = [&](const ClipVertex& a, const ClipVertex& b, const ClipVertex& c) {
    std::vector<ClipVertex> polygon{a, b, c};
    if (!(Visible(a) && Visible(b) && Visible(c))) {
      polygon = CutPolygon(CutPolygon(polygon, NearDistance), FarDistance);
      for (const ClipVertex& p : polygon) {
        if (!(p.w > 0.0f)) return;
      }
    }
    for (std::size_t k = 1; k + 1 < polygon.size(); ++k) {
      Vertex first = ToScreen(polygon[0], map);
      keepFirstColours(&first, a);
      DrawTriangle(st, first, ToScreen(polygon[k], map), ToScreen(polygon[k + 1], map));
    }
  };
  auto line = [&](const ClipVertex& a, const ClipVertex& b) {
    ClipVertex from = a, to = b;
    for (float (*distance)(const ClipVertex&) : {NearDistance, FarDistance}) {
      const float da = distance(from), db = distance(to);
      if (da < 0.0f && db < 0.0f) return;
      if (da < 0.0f) from = Mix(from, to, da / (da - db));
      else if (db < 0.0f) to = Mix(from, to, da / (da - db));
    }
    if (!(from.w > 0.0f && to.w > 0.0f)) return;
    Vertex start = ToScreen(from, map);
    keepFirstColours(&start, a);
    DrawLine(st, start, ToScreen(to, map));
  };
  switch (type) {
    case D3DPT_POINTLIST:
      for (std::uint32_t i = 0; i < count; ++i) {
        if (Visible(vertex(i))) DrawPoint(st, ToScreen(vertex(i), map));
      }
      break;
    case D3DPT_LINELIST:
      for (std::uint32_t i = 0; i + 1 < count; i += 2) line(vertex(i), vertex(i + 1));
      break;
    case D3DPT_LINESTRIP:
      for (std::uint32_t i = 0; i + 1 < count; ++i) line(vertex(i), vertex(i + 1));
      break;
    case D3DPT_TRIANGLELIST:
      for (std::uint32_t i = 0; i + 2 < count; i += 3) triangle(vertex(i), vertex(i + 1), vertex(i + 2));
      break;
    case D3DPT_TRIANGLESTRIP:
      for (std::uint32_t i = 0; i + 2 < count; ++i) {
        if (i % 2 == 0) triangle(vertex(i), vertex(i + 1), vertex(i + 2));
        else triangle(vertex(i), vertex(i + 2), vertex(i + 1));
      }
      break;
    case D3DPT_TRIANGLEFAN:
      for (std::uint32_t i = 1; i + 1 < count; ++i) triangle(vertex(i), vertex(i + 1), vertex(0));
      break;
  }
  ddraw::ShowSurfaceIfVisible(target_);
  return DD_OK;
}

}  // namespace pf::d3d
