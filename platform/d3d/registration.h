#pragma once
// How DirectDraw reaches the Direct3D stand-in: it registers its factory with DirectDraw.

namespace pf::d3d {

// Registers the Direct3D factory with DirectDraw (also done at start-up; a call links this in).
void EnsureRegistered();

}  // namespace pf::d3d
