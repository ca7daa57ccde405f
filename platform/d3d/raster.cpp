// The reference rasterizer: scan conversion of points, lines and triangles, attribute set-up, the
// general per-pixel pipeline (colour key, texture stages, alpha test, depth, blending) and the
// choice of a specialised span where the state allows one.
#include "platform/d3d/raster.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d/raster_pixel.h"
#include "platform/d3d/raster_span.h"

namespace pf::d3d {
namespace {

bool g_fastSpans = true;

// Vertex positions are snapped to 1/256 pixel; coordinates beyond this many pixels are clamped.
constexpr double kSubpixel = 256.0;
constexpr double kPositionLimit = 1 << 20;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

// A position in 1/256 pixel, rounded half away from zero as llround does, without the library call:
// the part cut off by truncation is exact for values this small.
std::int64_t SnapToSubpixel(double position) {
  const double scaled = std::clamp<double>(position, -kPositionLimit, kPositionLimit) * kSubpixel;
  const auto whole = static_cast<std::int64_t>(scaled);
  const double rest = scaled - static_cast<double>(whole);
  return rest >= 0.5 ? whole + 1 : (rest <= -0.5 ? whole - 1 : whole);
}

// Rounds half away from zero, as llround does, without the library call.
std::uint64_t ToFixed(double texels) {
  if (!std::isfinite(texels)) return 0;
  const double scaled = std::clamp(texels, -1073741824.0, 1073741824.0) * 4294967296.0;
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(scaled + (scaled >= 0 ? 0.5 : -0.5)));
}

// ToFixed for a value known to be finite and well inside the clamp.
std::uint64_t ToFixedInRange(double texels) {
  const double scaled = texels * 4294967296.0;
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(scaled + (scaled >= 0 ? 0.5 : -0.5)));
}

std::uint32_t ToByte(double v) { return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L)); }

bool Compare(std::uint32_t func, std::uint32_t value, std::uint32_t reference) {
  switch (func) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return value < reference;
    case D3DCMP_EQUAL: return value == reference;
    case D3DCMP_LESSEQUAL: return value <= reference;
    case D3DCMP_GREATER: return value > reference;
    case D3DCMP_NOTEQUAL: return value != reference;
    case D3DCMP_GREATEREQUAL: return value >= reference;
    default: return true;
  }
}

// ---------------------------------------------------------------- any layout
std::uint32_t WidenAny(PixelKind kind, const pixels::Layout& layout, std::uint32_t raw) {
  switch (kind) {
    case PixelKind::k565: return Widen<PixelKind::k565>(raw);
    case PixelKind::k555: return Widen<PixelKind::k555>(raw);
    case PixelKind::k1555: return Widen<PixelKind::k1555>(raw);
    case PixelKind::k4444: return Widen<PixelKind::k4444>(raw);
    case PixelKind::kX888: return Widen<PixelKind::kX888>(raw);
    case PixelKind::k8888: return Widen<PixelKind::k8888>(raw);
    default: return WidenByLayout(layout, raw);
  }
}

std::uint32_t NarrowAny(PixelKind kind, const pixels::Layout& layout, std::uint32_t argb) {
  switch (kind) {
    case PixelKind::k565: return Narrow<PixelKind::k565>(argb);
    case PixelKind::k555: return Narrow<PixelKind::k555>(argb);
    case PixelKind::k1555: return Narrow<PixelKind::k1555>(argb);
    case PixelKind::k4444: return Narrow<PixelKind::k4444>(argb);
    case PixelKind::kX888: return Narrow<PixelKind::kX888>(argb);
    case PixelKind::k8888: return Narrow<PixelKind::k8888>(argb);
    default: return NarrowByLayout(layout, argb);
  }
}

std::uint32_t RawTexel(const Texture& t, int x, int y) {
  const int bytes = pixels::BytesPerPixel(t.layout);
  return ReadRawAt(t.pixels + static_cast<std::ptrdiff_t>(y) * t.pitch + x * bytes, bytes);
}

std::uint32_t Texel(const Texture& t, int x, int y) { return WidenAny(t.kind, t.layout, RawTexel(t, x, y)); }

// ---------------------------------------------------------------- the general pixel pipeline
struct PixelInput {
  std::uint32_t diffuse, specular;
  std::uint32_t depth;                           // 0..65535
  std::uint64_t u[kD3DStageCount], v[kD3DStageCount];  // per stage, in its texture's texels
  bool linear[kD3DStageCount];
};

std::uint32_t Sample(const Stage& s, std::uint64_t u, std::uint64_t v, bool linear) {
  const Texture& t = *s.texture;
  if (!linear) return Texel(t, Address(TexelIndex(u), t.width, s.addressU), Address(TexelIndex(v), t.height, s.addressV));
  const Taps tu = LinearTaps(u);
  const Taps tv = LinearTaps(v);
  const int x0 = Address(tu.index, t.width, s.addressU), x1 = Address(tu.index + 1, t.width, s.addressU);
  const int y0 = Address(tv.index, t.height, s.addressV), y1 = Address(tv.index + 1, t.height, s.addressV);
  const std::uint32_t top = Lerp8888(Texel(t, x0, y0), Texel(t, x1, y0), tu.weight);
  const std::uint32_t bottom = Lerp8888(Texel(t, x0, y1), Texel(t, x1, y1), tu.weight);
  return Lerp8888(top, bottom, tv.weight);
}

// The colour key looks at the nearest texel, whatever the filter.
bool KeyedOut(const Stage& s, std::uint64_t u, std::uint64_t v) {
  const Texture& t = *s.texture;
  const std::uint32_t raw =
      RawTexel(t, Address(TexelIndex(u), t.width, s.addressU), Address(TexelIndex(v), t.height, s.addressV));
  return raw >= t.keyLow && raw <= t.keyHigh;
}

bool ReadsTexture(std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2) {
  const bool one = (arg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
  const bool two = (arg2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
  if (op == D3DTOP_SELECTARG1) return one;
  if (op == D3DTOP_SELECTARG2) return two;
  return one || two;
}

struct ArgumentSources {
  std::uint32_t current, diffuse, specular, texel, factor;
};

std::uint32_t Argument(std::uint32_t arg, const ArgumentSources& from) {
  std::uint32_t value;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: value = from.diffuse; break;
    case D3DTA_CURRENT: value = from.current; break;
    case D3DTA_TEXTURE: value = from.texel; break;
    case D3DTA_TFACTOR: value = from.factor; break;
    case D3DTA_SPECULAR: value = from.specular; break;
    default: value = from.current; break;
  }
  if (arg & D3DTA_COMPLEMENT) value = ~value;
  if (arg & D3DTA_ALPHAREPLICATE) value = (value >> 24) * 0x01010101u;
  return value;
}

std::uint32_t Operate(std::uint32_t op, std::uint32_t x, std::uint32_t y, std::uint32_t current) {
  switch (op) {
    case D3DTOP_SELECTARG1: return x;
    case D3DTOP_SELECTARG2: return y;
    case D3DTOP_MODULATE: return Mul255(x, y);
    case D3DTOP_MODULATE2X: return std::min<std::uint32_t>(255, Mul255(x, y) * 2);
    case D3DTOP_MODULATE4X: return std::min<std::uint32_t>(255, Mul255(x, y) * 4);
    case D3DTOP_ADD: return std::min<std::uint32_t>(255, x + y);
    case D3DTOP_SUBTRACT: return x > y ? x - y : 0;
    default: return current;
  }
}

// The texture stages: the result of the last enabled stage, 0xAARRGGBB.
std::uint32_t RunStages(const RasterState& st, const PixelInput& in, const std::uint32_t* texels) {
  std::uint32_t current = in.diffuse;
  for (int s = 0; s < st.stageCount; ++s) {
    const Stage& stage = st.stages[s];
    const bool bound = stage.texture != nullptr;
    const ArgumentSources from{current, in.diffuse, in.specular, bound ? texels[s] : 0, st.textureFactor};
    std::uint32_t rgb = current & 0x00FFFFFFu;
    if (bound || !ReadsTexture(stage.colorOp, stage.colorArg1, stage.colorArg2)) {
      const std::uint32_t x = Argument(stage.colorArg1, from), y = Argument(stage.colorArg2, from);
      rgb = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        rgb |= Operate(stage.colorOp, Channel(x, shift), Channel(y, shift), Channel(current, shift)) << shift;
      }
    }
    std::uint32_t alpha = current >> 24;
    if (stage.alphaOp != D3DTOP_DISABLE && (bound || !ReadsTexture(stage.alphaOp, stage.alphaArg1, stage.alphaArg2))) {
      alpha = Operate(stage.alphaOp, Argument(stage.alphaArg1, from) >> 24, Argument(stage.alphaArg2, from) >> 24,
                      alpha);
    }
    current = alpha << 24 | rgb;
  }
  return current;
}

std::uint32_t Factor(std::uint32_t factor, int shift, std::uint32_t src, std::uint32_t dst) {
  const std::uint32_t sa = src >> 24, da = dst >> 24;
  switch (factor) {
    case D3DBLEND_ZERO: return 0;
    case D3DBLEND_ONE: return 255;
    case D3DBLEND_SRCCOLOR: return Channel(src, shift);
    case D3DBLEND_INVSRCCOLOR: return 255 - Channel(src, shift);
    case D3DBLEND_SRCALPHA: return sa;
    case D3DBLEND_INVSRCALPHA: return 255 - sa;
    case D3DBLEND_DESTALPHA: return da;
    case D3DBLEND_INVDESTALPHA: return 255 - da;
    case D3DBLEND_DESTCOLOR: return Channel(dst, shift);
    case D3DBLEND_INVDESTCOLOR: return 255 - Channel(dst, shift);
    case D3DBLEND_SRCALPHASAT: return shift == 24 ? 255 : std::min(sa, 255 - da);
    default: return 255;
  }
}

// The source and destination factors, the two-in-one source factors split.
void BlendFactors(const RasterState& st, std::uint32_t* sf, std::uint32_t* df) {
  *sf = st.srcBlend;
  *df = st.destBlend;
  if (*sf == D3DBLEND_BOTHSRCALPHA) {
    *sf = D3DBLEND_SRCALPHA;
    *df = D3DBLEND_INVSRCALPHA;
  } else if (*sf == D3DBLEND_BOTHINVSRCALPHA) {
    *sf = D3DBLEND_INVSRCALPHA;
    *df = D3DBLEND_SRCALPHA;
  }
}

std::uint32_t Blend(const RasterState& st, std::uint32_t src, std::uint32_t dst) {
  std::uint32_t sf = 0, df = 0;
  BlendFactors(st, &sf, &df);
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 24; shift += 8) {
    const std::uint32_t v = Mul255(Channel(src, shift), Factor(sf, shift, src, dst)) +
                            Mul255(Channel(dst, shift), Factor(df, shift, src, dst));
    out |= std::min<std::uint32_t>(255, v) << shift;
  }
  return out;
}

void ShadePixel(const RasterState& st, int x, int y, const PixelInput& in) {
  std::uint32_t texels[kD3DStageCount] = {};
  for (int s = 0; s < st.stageCount; ++s) {
    const Stage& stage = st.stages[s];
    if (stage.texture == nullptr) continue;
    if (st.colorKey && stage.texture->keyed && KeyedOut(stage, in.u[s], in.v[s])) return;
    texels[s] = Sample(stage, in.u[s], in.v[s], in.linear[s]);
  }
  const std::uint32_t colour = RunStages(st, in, texels);
  if (st.alphaTest && !Compare(st.alphaFunc, colour >> 24, st.alphaRef)) return;
  std::uint16_t* depth = nullptr;
  if (st.depth != nullptr) {
    depth = reinterpret_cast<std::uint16_t*>(st.depth + static_cast<std::ptrdiff_t>(y) * st.depthPitch) + x;
    if (st.depthTest && !Compare(st.zFunc, in.depth, *depth)) return;
  }
  std::uint8_t* at = pixels::PixelAddress(st.target, x, y);
  const int bytes = pixels::BytesPerPixel(st.target.layout);
  std::uint32_t out = colour;
  if (st.blend) out = Blend(st, colour, WidenAny(st.targetKind, st.target.layout, ReadRawAt(at, bytes)));
  pixels::WriteRaw(at, bytes, NarrowAny(st.targetKind, st.target.layout, out));
  if (depth != nullptr && st.depthWrite) *depth = static_cast<std::uint16_t>(in.depth);
}

std::uint32_t DepthValue(const RasterState& st, double z) {
  const double mapped = st.minZ + z * (st.maxZ - st.minZ);
  return static_cast<std::uint32_t>(std::clamp(std::lround(mapped * 65535.0), 0L, 65535L));
}

// Attributes of a single vertex or of a point on a line, for the general pipeline.
PixelInput InputAt(const RasterState& st, const Vertex& v, const Vertex& colours) {
  PixelInput in{};
  in.diffuse = colours.diffuse;
  in.specular = colours.specular;
  in.depth = DepthValue(st, v.z);
  for (int s = 0; s < st.stageCount; ++s) {
    const Stage& stage = st.stages[s];
    if (stage.texture == nullptr) continue;
    const int set = static_cast<int>(stage.texCoordIndex % kTexCoordSets);
    in.u[s] = ToFixed(static_cast<double>(v.u[set]) * stage.texture->width);
    in.v[s] = ToFixed(static_cast<double>(v.v[set]) * stage.texture->height);
    in.linear[s] = stage.magFilter == D3DTFG_LINEAR;
  }
  return in;
}

std::uint32_t LerpColour(std::uint32_t a, std::uint32_t b, double t) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 24; shift += 8) {
    const double ca = Channel(a, shift), cb = Channel(b, shift);
    out |= ToByte(ca + (cb - ca) * t) << shift;
  }
  return out;
}

// ---------------------------------------------------------------- triangle set-up
struct Plane {
  double at0, dx, dy;  // value at pixel (0, 0) and per pixel
  double At(double x, double y) const { return at0 + dx * x + dy * y; }
};

struct Edge {
  std::int64_t a, b, x, y;  // inside: a * (X - x) + b * (Y - y) > 0, or == 0 on a top or left edge
  bool tie;
  std::int64_t bound;       // a vertical edge's column bound, the same on every row
};

// The first column inside (a > 0) or the first one past the inside (a < 0) on the row at Yc.
std::int64_t EdgeBound(const Edge& e, std::int64_t Yc) {
  const std::int64_t c = -e.a * e.x + e.b * (Yc - e.y);  // E = a * X + c
  return e.a > 0 ? CeilDiv(-c, e.a * 256) : CeilDiv(c, -e.a * 256);
}

// An edge's column bound from row to row without a division: the quotient and remainder of the
// bound on the current row, moved on by the per-row step's quotient and remainder.
struct EdgeWalk {
  std::int64_t bound, remainder, divisor, stepQuotient, stepRemainder;
  bool rising;  // a > 0: the bound is where the inside starts

  void Start(const Edge& e, std::int64_t Yc) {
    rising = e.a > 0;
    const std::int64_t c = -e.a * e.x + e.b * (Yc - e.y);
    const std::int64_t numerator = rising ? -c : c, step = rising ? -e.b * 256 : e.b * 256;
    divisor = rising ? e.a * 256 : -e.a * 256;
    bound = CeilDiv(numerator, divisor);
    remainder = bound * divisor - numerator;
    stepQuotient = FloorDiv(step, divisor);
    stepRemainder = step - stepQuotient * divisor;
  }
  void NextRow() {
    bound += stepQuotient;
    remainder -= stepRemainder;
    if (remainder < 0) {
      remainder += divisor;
      ++bound;
    }
  }
};

struct Setup {
  double x[3], y[3], det;
  Plane Make(double f0, double f1, double f2) const {
    const double dx = ((f1 - f0) * (y[2] - y[0]) - (f2 - f0) * (y[1] - y[0])) / det;
    const double dy = ((f2 - f0) * (x[1] - x[0]) - (f1 - f0) * (x[2] - x[0])) / det;
    return Plane{f0 - dx * x[0] - dy * y[0], dx, dy};
  }
};

enum class Modulation { kNone, kDiffuse, kFactor };

// How stage 0 maps onto a specialised span, when it does.
struct FastPlan {
  bool usable;
  SpanBlend blend;
  Modulation colour;
  bool textureAlpha;
  Modulation alpha;
};

bool IsCurrentOrDiffuse(std::uint32_t arg) { return arg == D3DTA_DIFFUSE || arg == D3DTA_CURRENT; }

bool PlanColour(const Stage& s, Modulation* out) {
  if ((s.colorOp == D3DTOP_SELECTARG1 && s.colorArg1 == D3DTA_TEXTURE) ||
      (s.colorOp == D3DTOP_SELECTARG2 && s.colorArg2 == D3DTA_TEXTURE)) {
    *out = Modulation::kNone;
    return true;
  }
  if (s.colorOp != D3DTOP_MODULATE) return false;
  std::uint32_t other;
  if (s.colorArg1 == D3DTA_TEXTURE) other = s.colorArg2;
  else if (s.colorArg2 == D3DTA_TEXTURE) other = s.colorArg1;
  else return false;
  if (IsCurrentOrDiffuse(other)) *out = Modulation::kDiffuse;
  else if (other == D3DTA_TFACTOR) *out = Modulation::kFactor;
  else return false;
  return true;
}

bool PlanAlphaArgument(std::uint32_t arg, bool* texture, Modulation* scale) {
  if (arg == D3DTA_TEXTURE) *texture = true;
  else if (IsCurrentOrDiffuse(arg)) *scale = Modulation::kDiffuse;
  else if (arg == D3DTA_TFACTOR) *scale = Modulation::kFactor;
  else return false;
  return true;
}

bool PlanAlpha(const Stage& s, bool* texture, Modulation* scale) {
  *texture = false;
  *scale = Modulation::kNone;
  switch (s.alphaOp) {
    case D3DTOP_DISABLE: *scale = Modulation::kDiffuse; return true;
    case D3DTOP_SELECTARG1: return PlanAlphaArgument(s.alphaArg1, texture, scale);
    case D3DTOP_SELECTARG2: return PlanAlphaArgument(s.alphaArg2, texture, scale);
    case D3DTOP_MODULATE: {
      bool t1 = false, t2 = false;
      Modulation m1 = Modulation::kNone, m2 = Modulation::kNone;
      if (!PlanAlphaArgument(s.alphaArg1, &t1, &m1) || !PlanAlphaArgument(s.alphaArg2, &t2, &m2)) return false;
      if (t1 == t2) return false;
      *texture = true;
      *scale = t1 ? m2 : m1;
      return true;
    }
    default: return false;
  }
}

FastPlan PlanFastSpans(const RasterState& st) {
  FastPlan plan{};
  if (!g_fastSpans || st.stageCount != 1 || st.perspective) return plan;
  // Of the alpha tests only those that pass alphas from a floor up have a span.
  if (st.alphaTest && st.alphaFunc != D3DCMP_GREATER && st.alphaFunc != D3DCMP_GREATEREQUAL &&
      st.alphaFunc != D3DCMP_ALWAYS) {
    return plan;
  }
  if (st.depth != nullptr && (st.depthTest || st.depthWrite)) return plan;
  if (st.targetKind != PixelKind::kX888 && st.targetKind != PixelKind::k565) return plan;
  const Stage& s = st.stages[0];
  if (s.texture == nullptr || s.texture->kind == PixelKind::kOther) return plan;
  const auto clamped = [](std::uint32_t mode) { return mode == D3DTADDRESS_CLAMP || mode == D3DTADDRESS_BORDER; };
  if (!clamped(s.addressU) || !clamped(s.addressV)) return plan;
  if (!st.blend || (st.srcBlend == D3DBLEND_ONE && st.destBlend == D3DBLEND_ZERO)) plan.blend = SpanBlend::kCopy;
  else if (st.srcBlend == D3DBLEND_SRCALPHA && st.destBlend == D3DBLEND_INVSRCALPHA) plan.blend = SpanBlend::kAlpha;
  else if (st.srcBlend == D3DBLEND_SRCALPHA && st.destBlend == D3DBLEND_ONE) plan.blend = SpanBlend::kAdd;
  else return plan;
  if (!PlanColour(s, &plan.colour) || !PlanAlpha(s, &plan.textureAlpha, &plan.alpha)) return plan;
  plan.usable = true;
  return plan;
}

std::uint32_t PlanValue(Modulation m, std::uint32_t diffuse, std::uint32_t factor) {
  return m == Modulation::kDiffuse ? diffuse : m == Modulation::kFactor ? factor : 0xFFFFFFFFu;
}

bool ReadsOnlySource(std::uint32_t factor) {
  return factor == D3DBLEND_ZERO || factor == D3DBLEND_ONE || factor == D3DBLEND_SRCCOLOR ||
         factor == D3DBLEND_INVSRCCOLOR || factor == D3DBLEND_SRCALPHA || factor == D3DBLEND_INVSRCALPHA;
}

// A span of one colour for a triangle that reads no texture and no depth: the stages' result worked
// out once from the triangle's colours, and a blend whose factors read only the source split into
// the source's part and the target's factor per channel. Null when the state needs the general path.
SpanFunction PlanSolidSpan(const RasterState& st, const Vertex& colours, SpanRun* run) {
  if (!g_fastSpans || st.depth != nullptr) return nullptr;
  for (int s = 0; s < st.stageCount; ++s) {
    if (st.stages[s].texture != nullptr) return nullptr;
  }
  PixelInput in{};
  in.diffuse = colours.diffuse;
  in.specular = colours.specular;
  const std::uint32_t texels[kD3DStageCount] = {};
  const std::uint32_t colour = RunStages(st, in, texels);
  SolidBlend blend = SolidBlend::kFill;
  std::uint32_t source = colour, keep = 0;
  if (st.alphaTest && !Compare(st.alphaFunc, colour >> 24, st.alphaRef)) {
    blend = SolidBlend::kNothing;
  } else if (st.blend) {
    std::uint32_t sf = 0, df = 0;
    BlendFactors(st, &sf, &df);
    if (!ReadsOnlySource(df)) return nullptr;
    if (sf == D3DBLEND_DESTCOLOR || sf == D3DBLEND_INVDESTCOLOR) {
      // The source part depends on the target pixel: the span multiplies it in.
      blend = sf == D3DBLEND_DESTCOLOR ? SolidBlend::kByTarget : SolidBlend::kByInverseTarget;
      for (int shift = 0; shift <= 24; shift += 8) keep |= Factor(df, shift, colour, 0) << shift;
    } else {
      if (!ReadsOnlySource(sf)) return nullptr;
      blend = SolidBlend::kScale;
      source = 0;
      for (int shift = 0; shift <= 24; shift += 8) {
        source |= Mul255(Channel(colour, shift), Factor(sf, shift, colour, 0)) << shift;
        keep |= Factor(df, shift, colour, 0) << shift;
      }
    }
  }
  run->texture = nullptr;
  run->solidSource = source;
  run->solidKeep = keep;
  return FindSolidSpan(blend, st.targetKind);
}

}  // namespace

// ---------------------------------------------------------------- layouts by mask
PixelKind KindOfLayout(const pixels::Layout& l) {
  if (l.bitsPerPixel == 16) {
    if (l.red == 0xF800 && l.green == 0x07E0 && l.blue == 0x1F && l.alpha == 0) return PixelKind::k565;
    if (l.red == 0x7C00 && l.green == 0x03E0 && l.blue == 0x1F && l.alpha == 0) return PixelKind::k555;
    if (l.red == 0x7C00 && l.green == 0x03E0 && l.blue == 0x1F && l.alpha == 0x8000) return PixelKind::k1555;
    if (l.red == 0x0F00 && l.green == 0x00F0 && l.blue == 0x0F && l.alpha == 0xF000) return PixelKind::k4444;
  }
  if (l.bitsPerPixel == 32 && l.red == 0xFF0000 && l.green == 0xFF00 && l.blue == 0xFF) {
    if (l.alpha == 0) return PixelKind::kX888;
    if (l.alpha == 0xFF000000u) return PixelKind::k8888;
  }
  return PixelKind::kOther;
}

namespace {
std::uint32_t WidenMask(std::uint32_t raw, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = __builtin_ctz(mask);
  const int bits = __builtin_popcount(mask);
  std::uint32_t v = (raw & mask) >> shift;
  std::uint32_t out = 0;
  for (int filled = 0; filled < 8; filled += bits) out = (out << bits) | v;
  const int total = ((8 + bits - 1) / bits) * bits;
  return (out >> (total - 8)) & 0xFF;
}
std::uint32_t NarrowMask(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = __builtin_ctz(mask);
  const int bits = __builtin_popcount(mask);
  return ((bits >= 8 ? value << (bits - 8) : value >> (8 - bits)) << shift) & mask;
}
}  // namespace

std::uint32_t WidenByLayout(const pixels::Layout& l, std::uint32_t raw) {
  const std::uint32_t a = l.alpha != 0 ? WidenMask(raw, l.alpha) : 255;
  return a << 24 | WidenMask(raw, l.red) << 16 | WidenMask(raw, l.green) << 8 | WidenMask(raw, l.blue);
}

std::uint32_t NarrowByLayout(const pixels::Layout& l, std::uint32_t argb) {
  return NarrowMask(argb >> 24, l.alpha) | NarrowMask(Channel(argb, 16), l.red) | NarrowMask(Channel(argb, 8), l.green) |
         NarrowMask(argb & 0xFF, l.blue);
}

void SetFastSpansEnabled(bool enabled) { g_fastSpans = enabled; }

// ---------------------------------------------------------------- points and lines
void DrawPoint(const RasterState& st, const Vertex& v) {
  if (!std::isfinite(v.x) || !std::isfinite(v.y)) return;
  const double fx = std::floor(static_cast<double>(v.x) + 0.5), fy = std::floor(static_cast<double>(v.y) + 0.5);
  if (fx < st.scissor.left || fx >= st.scissor.right || fy < st.scissor.top || fy >= st.scissor.bottom) return;
  ShadePixel(st, static_cast<int>(fx), static_cast<int>(fy), InputAt(st, v, v));
}

void DrawLine(const RasterState& st, const Vertex& a, const Vertex& b) {
  if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return;
  const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
  const bool xMajor = std::fabs(dx) >= std::fabs(dy);
  const double a0 = xMajor ? a.x : a.y, a1 = xMajor ? b.x : b.y;
  const double m0 = xMajor ? a.y : a.x, m1 = xMajor ? b.y : b.x;
  if (a0 == a1) return;
  // Pixels whose centre the line enters, leaving out the one it ends in.
  double first, last;
  int step;
  if (a1 > a0) {
    first = std::ceil(a0 - 0.5);
    last = std::ceil(a1 - 0.5) - 1;
    step = 1;
  } else {
    first = std::floor(a0 + 0.5);
    last = std::floor(a1 + 0.5) + 1;
    step = -1;
  }
  const Rect& r = st.scissor;
  // Only the pixels inside the scissor along the major axis are visited.
  const double low = xMajor ? r.left : r.top, high = (xMajor ? r.right : r.bottom) - 1;
  if (step > 0) {
    first = std::max(first, low);
    last = std::min(last, high);
  } else {
    first = std::min(first, high);
    last = std::max(last, low);
  }
  for (double c = first; step > 0 ? c <= last : c >= last; c += step) {
    const double t = (c - a0) / (a1 - a0);
    const double m = std::floor(m0 + (m1 - m0) * t + 0.5);
    const double px = xMajor ? c : m, py = xMajor ? m : c;
    if (px < r.left || px >= r.right || py < r.top || py >= r.bottom) continue;
    Vertex at = a;
    at.z = static_cast<float>(a.z + (b.z - a.z) * t);
    for (int k = 0; k < kTexCoordSets; ++k) {
      at.u[k] = static_cast<float>(a.u[k] + (b.u[k] - a.u[k]) * t);
      at.v[k] = static_cast<float>(a.v[k] + (b.v[k] - a.v[k]) * t);
    }
    if (!st.flat) {
      at.diffuse = LerpColour(a.diffuse, b.diffuse, t);
      at.specular = LerpColour(a.specular, b.specular, t);
    }
    ShadePixel(st, static_cast<int>(px), static_cast<int>(py), InputAt(st, at, at));
  }
}

// ---------------------------------------------------------------- triangles
namespace {

// A triangle set up for scan conversion: its edges, attribute planes and, where the state allows,
// the specialised span and the fields of its runs that stay the same on every row.
struct TriangleScan {
  const Vertex* colours;  // the vertex whose colours a flat or constant triangle takes
  Edge edges[3];
  EdgeWalk walks[3];
  int walkCount;
  std::int64_t fixedLeft, fixedRight;
  int top, bottom;
  bool perspective, constantColour, tameCoordinates;
  Plane u[kD3DStageCount], vv[kD3DStageCount], q, z, colour[8];
  bool linear[kD3DStageCount];
  SpanFunction span;
  SpanRun run;
  int targetBytes;
};

// False when the triangle covers no row. Without `walkRows` the sloped edges are not made ready for
// RowColumns (for a triangle drawn as half of a rectangle).
bool SetUpTriangle(const RasterState& st, const Vertex& va, const Vertex& vb, const Vertex& vc, TriangleScan* t,
                   bool walkRows = true) {
  const Vertex* v[3] = {&va, &vb, &vc};
  std::int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    if (!std::isfinite(v[i]->x) || !std::isfinite(v[i]->y)) return false;
    X[i] = SnapToSubpixel(v[i]->x);
    Y[i] = SnapToSubpixel(v[i]->y);
  }
  const std::int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return false;
  // Positive area is clockwise on the screen (y grows downwards).
  if ((st.cull == D3DCULL_CW && area > 0) || (st.cull == D3DCULL_CCW && area < 0)) return false;
  int order[3] = {0, 1, 2};
  if (area < 0) std::swap(order[1], order[2]);
  for (int i = 0; i < 3; ++i) {
    const int p = order[i], q = order[(i + 1) % 3];
    Edge& e = t->edges[i];
    e.a = Y[p] - Y[q];
    e.b = X[q] - X[p];
    e.x = X[p];
    e.y = Y[p];
    e.tie = e.a > 0 || (e.a == 0 && e.b > 0);
    e.bound = walkRows && e.a != 0 && e.b == 0 ? EdgeBound(e, 0) : 0;
  }
  const Rect& r = st.scissor;
  const std::int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  t->top = static_cast<int>(std::max<std::int64_t>(CeilDiv(minY, 256), r.top));
  t->bottom = static_cast<int>(std::min<std::int64_t>(FloorDiv(maxY, 256) + 1, r.bottom));
  if (t->top >= t->bottom) return false;
  t->colours = &va;

  Setup setup{};
  for (int i = 0; i < 3; ++i) {
    setup.x[i] = static_cast<double>(X[i]) / kSubpixel;
    setup.y[i] = static_cast<double>(Y[i]) / kSubpixel;
  }
  setup.det = (setup.x[1] - setup.x[0]) * (setup.y[2] - setup.y[0]) - (setup.x[2] - setup.x[0]) * (setup.y[1] - setup.y[0]);

  // Texture coordinates per stage in its texels; perspective divides them per pixel.
  const bool perspective = st.perspective && !(va.rhw == vb.rhw && va.rhw == vc.rhw);
  t->perspective = perspective;
  t->q = perspective ? setup.Make(va.rhw, vb.rhw, vc.rhw) : Plane{};
  for (int s = 0; s < st.stageCount; ++s) {
    const Stage& stage = st.stages[s];
    t->u[s] = Plane{};
    t->vv[s] = Plane{};
    t->linear[s] = false;
    if (stage.texture == nullptr) continue;
    const int set = static_cast<int>(stage.texCoordIndex % kTexCoordSets);
    const double w = stage.texture->width, h = stage.texture->height;
    const double wa = perspective ? va.rhw : 1, wb = perspective ? vb.rhw : 1, wc = perspective ? vc.rhw : 1;
    t->u[s] = setup.Make(va.u[set] * w * wa, vb.u[set] * w * wb, vc.u[set] * w * wc);
    t->vv[s] = setup.Make(va.v[set] * h * wa, vb.v[set] * h * wb, vc.v[set] * h * wc);
    const double texelsPerPixel = std::fabs(t->u[s].dx * t->vv[s].dy - t->u[s].dy * t->vv[s].dx);
    t->linear[s] = (texelsPerPixel <= 1.0 ? stage.magFilter : stage.minFilter) == D3DTFG_LINEAR;
  }
  const bool constantColour = st.flat || (va.diffuse == vb.diffuse && va.diffuse == vc.diffuse &&
                                          va.specular == vb.specular && va.specular == vc.specular);
  t->constantColour = constantColour;
  if (!constantColour) {
    for (int c = 0; c < 4; ++c) {
      const int shift = 8 * c;
      t->colour[c] = setup.Make(Channel(va.diffuse, shift), Channel(vb.diffuse, shift), Channel(vc.diffuse, shift));
      t->colour[4 + c] =
          setup.Make(Channel(va.specular, shift), Channel(vb.specular, shift), Channel(vc.specular, shift));
    }
  }
  // Depth is only read when there is a depth buffer.
  t->z = st.depth != nullptr ? setup.Make(va.z, vb.z, vc.z) : Plane{};

  t->span = nullptr;
  t->run = SpanRun{};
  if (constantColour && !perspective) {
    const FastPlan plan = PlanFastSpans(st);
    if (plan.usable) {
      const Texture* texture = st.stages[0].texture;
      const std::uint32_t modulate = PlanValue(plan.colour, va.diffuse, st.textureFactor);
      t->span = FindSpan(SpanKey{plan.blend, t->linear[0] ? SpanFilter::kLinear : SpanFilter::kPoint,
                                 st.colorKey && texture->keyed, (modulate & 0x00FFFFFFu) != 0x00FFFFFFu,
                                 texture->kind, st.targetKind});
      SpanRun& run = t->run;
      run.texture = texture;
      run.modulate = modulate & 0x00FFFFFFu;
      run.textureAlpha = plan.textureAlpha;
      run.alphaScale = PlanValue(plan.alpha, va.diffuse, st.textureFactor) >> 24;
      if (st.alphaTest && st.alphaFunc != D3DCMP_ALWAYS) {
        run.alphaFloor = st.alphaFunc == D3DCMP_GREATER ? st.alphaRef + 1 : st.alphaRef;
      }
      run.du = ToFixed(t->u[0].dx);
      run.dv = ToFixed(t->vv[0].dx);
    }
  }
  if (t->span == nullptr && constantColour) {
    t->span = PlanSolidSpan(st, va, &t->run);
    // Without stages the planes were never set; a solid run's texel coordinates stay at zero.
    if (t->span != nullptr) t->u[0] = t->vv[0] = Plane{};
  }

  // Sloped edges walk their bounds down the rows.
  t->walkCount = 0;
  t->fixedLeft = r.left;
  t->fixedRight = r.right;
  for (const Edge& e : t->edges) {
    if (e.a == 0) continue;
    if (e.b == 0) {
      if (e.a > 0) t->fixedLeft = std::max(t->fixedLeft, e.bound);
      else t->fixedRight = std::min(t->fixedRight, e.bound);
      continue;
    }
    if (walkRows) t->walks[t->walkCount++].Start(e, static_cast<std::int64_t>(t->top) * 256);
  }
  // A span's texel coordinates skip the range checks when the planes stay well inside them over the
  // rows and columns drawn (a plane's extremes lie at the corners).
  t->tameCoordinates = false;
  if (t->span != nullptr) {
    t->tameCoordinates = true;
    const double limit = 536870912.0;
    for (const Plane& plane : {t->u[0], t->vv[0]}) {
      for (const double cx : {static_cast<double>(r.left), static_cast<double>(r.right)}) {
        for (const double cy : {static_cast<double>(t->top), static_cast<double>(t->bottom)}) {
          const double value = plane.At(cx, cy);
          if (!(std::fabs(value) < limit)) t->tameCoordinates = false;
        }
      }
    }
  }
  t->targetBytes = pixels::BytesPerPixel(st.target.layout);
  return true;
}

// The columns [x0, x0 + count) the triangle covers on row `py`; rows must be asked in order from
// the top, each once, as the sloped edges step down with them. False on an empty row.
bool RowColumns(TriangleScan& t, int py, int* x0, int* count) {
  std::int64_t xs = t.fixedLeft, xe = t.fixedRight;
  const std::int64_t Yc = static_cast<std::int64_t>(py) * 256;
  bool empty = false;
  for (const Edge& e : t.edges) {
    if (e.a != 0) continue;
    const std::int64_t c = e.b * (Yc - e.y);
    if (!(c > 0 || (c == 0 && e.tie))) empty = true;
  }
  for (int w = 0; w < t.walkCount; ++w) {
    EdgeWalk& walk = t.walks[w];
    if (walk.rising) xs = std::max(xs, walk.bound);
    else xe = std::min(xe, walk.bound);
    walk.NextRow();
  }
  if (empty || xs >= xe) return false;
  *x0 = static_cast<int>(xs);
  *count = static_cast<int>(xe - xs);
  return true;
}

// Fills in the row-dependent fields of the triangle's span run.
void PlaceRun(const RasterState& st, TriangleScan& t, int py, int x0, int count) {
  SpanRun& run = t.run;
  run.destination = st.target.origin + static_cast<std::ptrdiff_t>(py) * st.target.pitch +
                    static_cast<std::ptrdiff_t>(x0) * t.targetBytes;
  run.count = count;
  const double atU = t.u[0].At(x0, py), atV = t.vv[0].At(x0, py);
  run.u = t.tameCoordinates ? ToFixedInRange(atU) : ToFixed(atU);
  run.v = t.tameCoordinates ? ToFixedInRange(atV) : ToFixed(atV);
}

// One row through the general per-pixel pipeline.
void ShadeRow(const RasterState& st, const TriangleScan& t, int py, int x0, int count) {
  PixelInput in{};
  in.diffuse = t.colours->diffuse;
  in.specular = t.colours->specular;
  std::uint64_t su[kD3DStageCount] = {}, sv[kD3DStageCount] = {}, sdu[kD3DStageCount] = {},
                sdv[kD3DStageCount] = {};
  for (int s = 0; s < st.stageCount; ++s) {
    su[s] = ToFixed(t.u[s].At(x0, py));
    sv[s] = ToFixed(t.vv[s].At(x0, py));
    sdu[s] = ToFixed(t.u[s].dx);
    sdv[s] = ToFixed(t.vv[s].dx);
    in.linear[s] = t.linear[s];
  }
  for (int i = 0; i < count; ++i) {
    const int px = x0 + i;
    for (int s = 0; s < st.stageCount; ++s) {
      if (t.perspective) {
        const double w = t.q.At(px, py);
        in.u[s] = ToFixed(t.u[s].At(px, py) / w);
        in.v[s] = ToFixed(t.vv[s].At(px, py) / w);
      } else {
        in.u[s] = su[s] + sdu[s] * static_cast<std::uint64_t>(i);
        in.v[s] = sv[s] + sdv[s] * static_cast<std::uint64_t>(i);
      }
    }
    if (!t.constantColour) {
      in.diffuse = in.specular = 0;
      for (int c = 0; c < 4; ++c) {
        in.diffuse |= ToByte(t.colour[c].At(px, py)) << (8 * c);
        in.specular |= ToByte(t.colour[4 + c].At(px, py)) << (8 * c);
      }
    }
    if (st.depth != nullptr) in.depth = DepthValue(st, t.z.At(px, py));
    ShadePixel(st, px, py, in);
  }
}

void DrawRow(const RasterState& st, TriangleScan& t, int py, int x0, int count) {
  if (t.span != nullptr) {
    PlaceRun(st, t, py, x0, count);
    t.span(t.run);
  } else {
    ShadeRow(st, t, py, x0, count);
  }
}

void ScanTriangle(const RasterState& st, TriangleScan& t) {
  for (int py = t.top; py < t.bottom; ++py) {
    int x0 = 0, count = 0;
    if (RowColumns(t, py, &x0, &count)) DrawRow(st, t, py, x0, count);
  }
}

// Whether two triangles' rows may go through one span call: the same span with the same constant
// fields, so a joined row differs from the two rows only in how it is cut.
// A texture drawn onto itself is left to the triangle order, as its rows read what earlier rows wrote.
bool SameSpanRuns(const RasterState& st, const TriangleScan& first, const TriangleScan& second) {
  if (first.span == nullptr || first.span != second.span) return false;
  if (first.run.texture != nullptr && first.run.texture->pixels == st.target.origin) return false;
  const SpanRun& a = first.run;
  const SpanRun& b = second.run;
  return a.du == b.du && a.dv == b.dv && a.texture == b.texture && a.modulate == b.modulate &&
         a.alphaScale == b.alphaScale && a.textureAlpha == b.textureAlpha && a.alphaFloor == b.alphaFloor &&
         a.solidSource == b.solidSource && a.solidKeep == b.solidKeep;
}

// The right-hand run continues the left-hand one exactly: adjacent columns and texel coordinates
// that the left run's steps reach at its end.
bool Continues(const SpanRun& left, int leftX0, int leftCount, const SpanRun& right, int rightX0) {
  const std::uint64_t steps = static_cast<std::uint64_t>(leftCount);
  return leftX0 + leftCount == rightX0 && right.u == left.u + left.du * steps && right.v == left.v + left.dv * steps;
}

// The rectangle two triangles make when they are halves of one axis-aligned rectangle: each has
// three of its corners and each lacks a different one. In 1/256 pixel.
struct CornerRect {
  std::int64_t left, top, right, bottom;
};
struct Corners {
  std::int64_t x[3], y[3];
};
bool HalvesOfRectangle(const Corners& a, const Corners& b, CornerRect* out) {
  CornerRect r{a.x[0], a.y[0], a.x[0], a.y[0]};
  for (const Corners* t : {&a, &b}) {
    for (int i = 0; i < 3; ++i) {
      r.left = std::min(r.left, t->x[i]);
      r.right = std::max(r.right, t->x[i]);
      r.top = std::min(r.top, t->y[i]);
      r.bottom = std::max(r.bottom, t->y[i]);
    }
  }
  // Corners numbered by bits: 1 right, 2 bottom. A triangle of three distinct corners lacks one.
  const auto missing = [&](const Corners& t, int* lacked) {
    int seen = 0;
    for (int i = 0; i < 3; ++i) {
      const bool atLeft = t.x[i] == r.left, atRight = t.x[i] == r.right;
      const bool atTop = t.y[i] == r.top, atBottom = t.y[i] == r.bottom;
      if (!(atLeft || atRight) || !(atTop || atBottom)) return false;
      seen |= 1 << ((atRight ? 1 : 0) | (atBottom ? 2 : 0));
    }
    const unsigned absent = ~static_cast<unsigned>(seen) & 0xFu;
    if (absent == 0 || (absent & (absent - 1)) != 0) return false;
    *lacked = __builtin_ctz(absent);
    return true;
  };
  int lackedA = 0, lackedB = 0;
  if (!missing(a, &lackedA) || !missing(b, &lackedB) || lackedA == lackedB) return false;
  *out = r;
  return true;
}

// The fractional part of a texel coordinate keeps this far from a texel edge on the rectangle path,
// far beyond the rounding of either half's planes, so both halves pick the same texels.
constexpr double kTexelEdgeMargin = 1.0 / 4096;

bool ClearOfTexelEdges(double coordinate) {
  const double fraction = coordinate - std::floor(coordinate);
  return fraction > kTexelEdgeMargin && fraction < 1 - kTexelEdgeMargin;
}

// Both coordinates this close to the same texel centre: bilinear weights round to zero (they are
// kept in 1/256, so anything within 1/512 of a centre does) for either.
bool OnTexelCentre(double first, double second) {
  const double centre = std::round(first - 0.5);
  return std::fabs(first - 0.5 - centre) < kTexelEdgeMargin && std::fabs(second - 0.5 - centre) < kTexelEdgeMargin;
}

// The texture-coordinate planes of stage 0 of each half.
struct HalfPlanes {
  Plane u, v;
};

// Whether the rows of a rectangle's two halves may go as one run per row: texel for pixel (one texel
// per column, one row per row, exactly), both halves on the same span with the same constants
// (checked by the caller), and texel coordinates clear of texel edges under point sampling or on
// texel centres under bilinear filtering. Such a span reads only one whole texel for each pixel, so
// every way of cutting a row between the halves gives the same pixels.
bool TexelForPixel(const TriangleScan& a, const HalfPlanes& first, const HalfPlanes& second, int left, int top) {
  if (!a.tameCoordinates) return false;
  for (const HalfPlanes* t : {&first, &second}) {
    if (t->u.dx != 1.0 || t->u.dy != 0.0 || t->v.dx != 0.0 || t->v.dy != 1.0) return false;
  }
  if (a.linear[0]) {
    // Bilinear: every sample sits on a texel centre, where both weights are zero, and both halves
    // pick the same texels.
    return OnTexelCentre(first.u.At(left, top), second.u.At(left, top)) &&
           OnTexelCentre(first.v.At(left, top), second.v.At(left, top));
  }
  return ClearOfTexelEdges(first.u.At(left, top)) && ClearOfTexelEdges(first.v.At(left, top)) &&
         ClearOfTexelEdges(second.u.At(left, top)) && ClearOfTexelEdges(second.v.At(left, top)) &&
         std::floor(first.u.At(left, top)) == std::floor(second.u.At(left, top)) &&
         std::floor(first.v.At(left, top)) == std::floor(second.v.At(left, top));
}

// The rectangle's pixels (the top-left rule: left and top edges in, right and bottom out), one run
// per row with the span of `a`, the first half. False when the pair does not qualify and must go by
// rows of triangles. A span of one colour has no texels to check (`second` null).
bool DrawRectangleRuns(const RasterState& st, TriangleScan& a, const CornerRect& r, const HalfPlanes* second) {
  const Rect& clip = st.scissor;
  const std::int64_t left = std::max<std::int64_t>(CeilDiv(r.left, 256), clip.left);
  const std::int64_t right = std::min<std::int64_t>(CeilDiv(r.right, 256), clip.right);
  const std::int64_t top = std::max<std::int64_t>(CeilDiv(r.top, 256), clip.top);
  const std::int64_t bottom = std::min<std::int64_t>(CeilDiv(r.bottom, 256), clip.bottom);
  if (left >= right || top >= bottom) return true;
  if (second != nullptr &&
      !TexelForPixel(a, HalfPlanes{a.u[0], a.vv[0]}, *second, static_cast<int>(left), static_cast<int>(top))) {
    return false;
  }
  PlaceRun(st, a, static_cast<int>(top), static_cast<int>(left), static_cast<int>(right - left));
  SpanRun& run = a.run;
  for (std::int64_t row = top; row < bottom; ++row) {
    a.span(run);
    run.destination += st.target.pitch;
    run.v += std::uint64_t{1} << 32;
  }
  return true;
}

// Vertex positions snapped as the triangle set-up snaps them; false for a position not finite.
bool SnapCorners(const Vertex* const v[3], Corners* out) {
  for (int i = 0; i < 3; ++i) {
    if (!std::isfinite(v[i]->x) || !std::isfinite(v[i]->y)) return false;
    out->x[i] = SnapToSubpixel(v[i]->x);
    out->y[i] = SnapToSubpixel(v[i]->y);
  }
  return true;
}

// The second half of a rectangle whose first half `a` is set up: its stage-0 planes, when it would
// take the same span with the same constants as `a` (the same colour, no perspective).
bool SecondHalfLikeFirst(const RasterState& st, const TriangleScan& a, const Vertex* const v[3], const Corners& at,
                         HalfPlanes* out) {
  const Vertex& first = *a.colours;
  if (v[0]->diffuse != first.diffuse) return false;
  if (!st.flat) {
    for (int i = 1; i < 3; ++i) {
      if (v[i]->diffuse != v[0]->diffuse || v[i]->specular != v[0]->specular) return false;
    }
  }
  if (st.perspective && !(v[0]->rhw == v[1]->rhw && v[0]->rhw == v[2]->rhw)) return false;
  const Stage& stage = st.stages[0];
  const int set = static_cast<int>(stage.texCoordIndex % kTexCoordSets);
  const double w = stage.texture->width, h = stage.texture->height;
  Setup setup{};
  for (int i = 0; i < 3; ++i) {
    setup.x[i] = static_cast<double>(at.x[i]) / kSubpixel;
    setup.y[i] = static_cast<double>(at.y[i]) / kSubpixel;
  }
  setup.det = (setup.x[1] - setup.x[0]) * (setup.y[2] - setup.y[0]) - (setup.x[2] - setup.x[0]) * (setup.y[1] - setup.y[0]);
  if (setup.det == 0) return false;
  out->u = setup.Make(v[0]->u[set] * w, v[1]->u[set] * w, v[2]->u[set] * w);
  out->v = setup.Make(v[0]->v[set] * h, v[1]->v[set] * h, v[2]->v[set] * h);
  return true;
}

// Two triangles that are halves of one rectangle placed texel for pixel, drawn as the rectangle with
// the first half alone set up. False when they are not, and nothing was drawn.
bool DrawPairAsRectangle(const RasterState& st, const Vertex* first[3], const Vertex* second[3]) {
  // Culling could keep one half and drop the other.
  if (st.cull != D3DCULL_NONE) return false;
  Corners a{}, b{};
  CornerRect r{};
  if (!SnapCorners(first, &a) || !SnapCorners(second, &b) || !HalvesOfRectangle(a, b, &r)) return false;
  TriangleScan t;
  // A half of a rectangle spans all its rows: covering none, the rectangle covers none either.
  if (!SetUpTriangle(st, *first[0], *first[1], *first[2], &t, false)) return true;
  if (t.span == nullptr) return false;
  if (t.run.texture == nullptr) {
    // One colour: the second half must come out the same colour through the same span.
    TriangleScan other;
    if (!SetUpTriangle(st, *second[0], *second[1], *second[2], &other, false) || !SameSpanRuns(st, t, other)) {
      return false;
    }
    return DrawRectangleRuns(st, t, r, nullptr);
  }
  if (t.run.texture->pixels == st.target.origin) return false;
  HalfPlanes other{};
  if (!SecondHalfLikeFirst(st, t, second, b, &other)) return false;
  return DrawRectangleRuns(st, t, r, &other);
}

}  // namespace

void DrawTriangle(const RasterState& st, const Vertex& va, const Vertex& vb, const Vertex& vc) {
  TriangleScan t;
  if (SetUpTriangle(st, va, vb, vc, &t)) ScanTriangle(st, t);
}

void DrawTrianglePair(const RasterState& st, const Vertex* first[3], const Vertex* second[3]) {
  if (DrawPairAsRectangle(st, first, second)) return;
  TriangleScan a, b;
  const bool drawA = SetUpTriangle(st, *first[0], *first[1], *first[2], &a);
  const bool drawB = SetUpTriangle(st, *second[0], *second[1], *second[2], &b);
  if (!drawA || !drawB || !SameSpanRuns(st, a, b)) {
    if (drawA) ScanTriangle(st, a);
    if (drawB) ScanTriangle(st, b);
    return;
  }
  // Row by row, the first triangle's span before the second's: a pixel both cover still takes the
  // first and then the second, as when they are drawn one after the other.
  const int top = std::min(a.top, b.top), bottom = std::max(a.bottom, b.bottom);
  for (int py = top; py < bottom; ++py) {
    int ax = 0, acount = 0, bx = 0, bcount = 0;
    const bool rowA = py >= a.top && py < a.bottom && RowColumns(a, py, &ax, &acount);
    const bool rowB = py >= b.top && py < b.bottom && RowColumns(b, py, &bx, &bcount);
    if (rowA) PlaceRun(st, a, py, ax, acount);
    if (rowB) PlaceRun(st, b, py, bx, bcount);
    if (rowA && rowB) {
      if (Continues(a.run, ax, acount, b.run, bx)) {
        a.run.count = acount + bcount;
        a.span(a.run);
        continue;
      }
      if (Continues(b.run, bx, bcount, a.run, ax)) {
        b.run.count = acount + bcount;
        b.span(b.run);
        continue;
      }
    }
    if (rowA) a.span(a.run);
    if (rowB) b.span(b.run);
  }
}

}  // namespace pf::d3d
