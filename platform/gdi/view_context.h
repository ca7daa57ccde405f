#pragma once
// What GDI offers the DirectDraw surfaces: device contexts over pixel memory that they own.
#include "platform/ddraw/pixel_view.h"
#include "platform/gdi/gdi.h"

namespace pf::gdi {

// `written` runs after every call that drew into the context.
DeviceContext CreateViewContext(const pixels::View& view, void (*written)(void* context), void* context);
void DeleteViewContext(DeviceContext dc);

}  // namespace pf::gdi
