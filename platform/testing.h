#pragma once
// The platform layer's test API: fault switches, the virtual clock, key injection, frame and audio
// readback. Each area of the layer keeps its own part; this header gathers them.
#include "platform/kernel/kernel_testing.h"
#include "platform/window/window_testing.h"
#include "platform/host/host_testing.h"
#include "platform/ddraw/ddraw_testing.h"
#include "platform/d3d/d3d_testing.h"
#include "platform/acm/acm_testing.h"
#include "platform/net/net_testing.h"
#include "platform/gdi/font_testing.h"
#include "platform/dsound/dsound_testing.h"
#include "platform/mci/mci_testing.h"
