// The public entry points. Each takes the library lock around one internal operation and returns
// its result unchanged; entries whose subsystem is not built yet answer -1.
#include <zelvo/zelvo.h>

#include <cstdarg>

#include "media/core/clock.h"
#include "media/core/file_ops.h"
#include "media/core/runtime_routines.h"
#include "media/core/library_lock.h"
#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/core/random.h"
#include "media/core/screen_log.h"
#include "media/library/startup.h"
#include "media/core/stream_lines.h"
#include "media/display/present.h"
#include "media/graphics/screens/screen_save.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/text/font_table.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/text/text_draw.h"
#include "media/core/window_mode.h"
#include "media/pixels/pixel_format.h"
#include "media/sound_input/input.h"
#include "media/sound_input/sound.h"

// The values the public header names for callers are the ones the library reads.
static_assert(ZELVO_BACK_BUFFER == zelvo::kTargetBackBuffer && ZELVO_FRONT_BUFFER == zelvo::kTargetFrontBuffer);
static_assert(ZELVO_FONT_EDGE == zelvo::kFontStyleEdge && ZELVO_FONT_ANTIALIAS == zelvo::kFontStyleAntialias);

int StartUpLibrary(void) {
  zelvo::TakeLibraryLock();
  int result = zelvo::StartUpLibrary();
  zelvo::ReleaseLibraryLock();
  return result;
}

int ShutDownLibrary(void) {
  zelvo::TakeLibraryLock();
  int result = zelvo::ShutDownLibrary();
  zelvo::ReleaseLibraryLock();
  zelvo::CloseLibraryLock();
  return result;
}

int ScreenLogPrintf(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  zelvo::StringVPrintf(text, sizeof text, format, args);
  va_end(args);
  zelvo::LibraryLockGuard lock;
  zelvo::ScreenLogWrite(text);
  return 0;
}

int ScreenLogClear(void) {
  zelvo::LibraryLockGuard lock;
  return zelvo::ScreenLogClearAll();
}

intptr_t OpenReadStream(const char* path, int asyncFlag) {
  zelvo::LibraryLockGuard lock;
  return zelvo::FileOpen(path, 0, 1, asyncFlag != 0 ? 1 : 0);
}

int CloseReadStream(intptr_t stream) {
  zelvo::LibraryLockGuard lock;
  return zelvo::FileClose(stream);
}

int ReadStreamAtEnd(intptr_t stream) {
  zelvo::LibraryLockGuard lock;
  return zelvo::FilePositionAtEnd(stream);
}

int ReadStreamLine(char* buffer, int size, intptr_t stream) {
  zelvo::LibraryLockGuard lock;
  return zelvo::ReadStreamLine(buffer, size, stream);
}

int ReadStreamByte(intptr_t stream) {
  zelvo::LibraryLockGuard lock;
  return zelvo::FileReadByte(stream);
}

int PumpMessages(void) {
  zelvo::LibraryLockGuard lock;
  return zelvo::ProcessMessage();
}

int SwitchWindowMode(int windowFlag) {
  zelvo::LibraryLockGuard lock;
  return zelvo::ChangeWindowMode(windowFlag);
}

int SetWindowTitleText(const char* text) {
  zelvo::LibraryLockGuard lock;
  return zelvo::SetWindowTitle(text);
}

int SetLogFileEnabled(int flag) {
  zelvo::LibraryLockGuard lock;
  zelvo::SetLogOff(flag == 0 ? 1 : 0);
  return 0;
}

int SleepWithMessages(int milliseconds) {
  return zelvo::WaitWithMessages(milliseconds);
}

int GetTickMilliseconds(int ignored) {
  zelvo::LibraryLockGuard lock;
  return zelvo::CurrentMilliseconds(ignored);
}

int GetLocalDateTime(ZelvoDateTime* out) {
  zelvo::LibraryLockGuard lock;
  return zelvo::ReadLocalDateTime(out);
}

int RandomUpTo(int maximum) {
  zelvo::LibraryLockGuard lock;
  return zelvo::GetRandomInRange(maximum);
}

int IsKeyDown(int keyCode) {
  zelvo::LibraryLockGuard lock;
  return zelvo::IsKeyDown(keyCode);
}

int FindAnyInputDown(int flags) {
  zelvo::LibraryLockGuard lock;
  return zelvo::FindAnyInputDown(flags);
}

int ReadAllKeyStates(unsigned char* states256) {
  zelvo::LibraryLockGuard lock;
  return zelvo::ReadAllKeyStates(states256);
}

int ReadPadBits(int pad) {
  zelvo::LibraryLockGuard lock;
  return zelvo::ReadPadBits(pad);
}

const DDPixelFormatRecord* GetDisplayPixelFormat(void) {
  zelvo::LibraryLockGuard lock;
  return zelvo::GetDisplayPixelFormat();
}

unsigned int PackColor(int red, int green, int blue) {
  zelvo::LibraryLockGuard lock;
  return zelvo::RgbToScreenColor(red, green, blue);
}

int SetupPixelFormatFromMasks(PixelFormat* format, int bits, unsigned int redMask, unsigned int greenMask, unsigned int blueMask, unsigned int alphaMask) {
  return zelvo::SetupPixelFormatFromMasks(format, bits, redMask, greenMask, blueMask, alphaMask);
}

int SetupPixelFormat32(DDPixelFormatRecord* record, int bits, unsigned int redMask, unsigned int greenMask, unsigned int blueMask, unsigned int alphaMask) {
  return zelvo::SetupDDPixelFormat(record, bits, redMask, greenMask, blueMask, alphaMask);
}

int PresentBackBuffer(void) {
  zelvo::TakeLibraryLock();
  int result = zelvo::PresentBackScreen();
  zelvo::ReleaseLibraryLock();
  return result;
}

int SaveScreenRectToFile(int x1, int y1, int x2, int y2, const char* path, int type, int jpegQuality, int pngLevel) {
  zelvo::TakeLibraryLock();
  int result = zelvo::SaveScreenToImageFile(x1, y1, x2, y2, path, type, jpegQuality, pngLevel);
  zelvo::ReleaseLibraryLock();
  return result;
}

int ReleaseGraph(int handle, int logFlag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::DeleteGraph(handle, logFlag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int LoadGraphFile(const char* path, int flag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::LoadGraph(path, flag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int LoadGraphFileDivided(const char* path, int total, int countAcross, int countDown, int cellWidth, int cellHeight, int* handles, int flag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::LoadDivGraph(path, total, countAcross, countDown, cellWidth, cellHeight, handles, flag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int ClearDrawTarget(void) {
  zelvo::TakeLibraryLock();
  int result = zelvo::ClearDrawTarget();
  zelvo::ReleaseLibraryLock();
  return result;
}

int BlitGraph(int x, int y, int handle, int transparentFlag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::BlitGraph(x, y, handle, transparentFlag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int BlitGraphRotated(int x, int y, double scale, double angle, int handle, int transparentFlag, int mirrorFlag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::BlitGraphRotated(x, y, scale, angle, handle, transparentFlag, mirrorFlag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int BlitGraphRotatedPivot(int x, int y, int centreX, int centreY, double scale, double angle, int handle, int transparentFlag, int mirrorFlag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::BlitGraphRotatedPivot(x, y, centreX, centreY, scale, angle, handle, transparentFlag, mirrorFlag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int DrawLineSegment(int x1, int y1, int x2, int y2, unsigned int color, int thickness) {
  zelvo::TakeLibraryLock();
  int result = zelvo::DrawLineSegment(x1, y1, x2, y2, color, thickness);
  zelvo::ReleaseLibraryLock();
  return result;
}

int DrawRectangle(int x1, int y1, int x2, int y2, unsigned int color, int fillFlag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::DrawRectangle(x1, y1, x2, y2, color, fillFlag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int DrawCircleShape(int x, int y, int radius, unsigned int color, int fillFlag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::DrawCircleShape(x, y, radius, color, fillFlag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int DrawEllipse(int x, int y, int radiusX, int radiusY, unsigned int color, int fillFlag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::DrawEllipse(x, y, radiusX, radiusY, color, fillFlag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int DrawTriangleShape(int x1, int y1, int x2, int y2, int x3, int y3, unsigned int color, int fillFlag) {
  zelvo::TakeLibraryLock();
  int result = zelvo::DrawTriangleShape(x1, y1, x2, y2, x3, y3, color, fillFlag);
  zelvo::ReleaseLibraryLock();
  return result;
}

int DrawTextDefaultFont(int x, int y, const char* text, unsigned int color, unsigned int edgeColor) {
  zelvo::TakeLibraryLock();
  int result = zelvo::DrawTextDefaultFont(x, y, text, color, edgeColor);
  zelvo::ReleaseLibraryLock();
  return result;
}

int DrawTextFormatted(int x, int y, unsigned int color, const char* format, ...) {
  // Nothing to format: nothing to draw, as for an empty text.
  if (format == nullptr) return 0;
  char text[1024];
  va_list args;
  va_start(args, format);
  zelvo::StringVPrintf(text, sizeof text, format, args);
  va_end(args);
  zelvo::TakeLibraryLock();
  int result = zelvo::DrawTextDefaultFont(x, y, text, color, 0);
  zelvo::ReleaseLibraryLock();
  return result;
}

int SetTextureFilter(int mode) {
  zelvo::TakeLibraryLock();
  int result = zelvo::SetTextureFilter(mode);
  zelvo::ReleaseLibraryLock();
  return result;
}

int SetBlendMode(int mode, int parameter) {
  zelvo::TakeLibraryLock();
  int result = zelvo::SetBlendMode(mode, parameter);
  zelvo::ReleaseLibraryLock();
  return result;
}

int SetDrawTint(int red, int green, int blue) {
  zelvo::TakeLibraryLock();
  int result = zelvo::SetDrawTint(red, green, blue);
  zelvo::ReleaseLibraryLock();
  return result;
}

int SelectDrawTarget(int target) {
  zelvo::TakeLibraryLock();
  int result = zelvo::SelectDrawTarget(target);
  zelvo::ReleaseLibraryLock();
  return result;
}

// A pure helper: no lock.
int ClipRectToRect(ZelvoRect* rect, const ZelvoRect* clip) {
  zelvo::IntRect a{rect->Left, rect->Top, rect->Right, rect->Bottom};
  const zelvo::IntRect b{clip->Left, clip->Top, clip->Right, clip->Bottom};
  zelvo::ClipRect(&a, &b);
  *rect = ZelvoRect{a.left, a.top, a.right, a.bottom};
  return 0;
}

int SetDefaultFontStyle(int styleFlags) {
  zelvo::TakeLibraryLock();
  int result = zelvo::SetDefaultFontStyle(styleFlags);
  zelvo::ReleaseLibraryLock();
  return result;
}

int LoadSoundFile(const char* path, int bufferCount, int linkedHandle) {
  zelvo::LibraryLockGuard lock;
  return zelvo::LoadSoundFromFile(path, bufferCount, linkedHandle);
}

int ReleaseSound(int handle, int ignored) {
  zelvo::LibraryLockGuard lock;
  return zelvo::ReleaseSoundHandle(handle, ignored);
}

int StartSound(int handle, int playType, int fromTop) {
  zelvo::LibraryLockGuard lock;
  return zelvo::StartSoundHandle(handle, playType, fromTop);
}

int HaltSound(int handle) {
  zelvo::LibraryLockGuard lock;
  return zelvo::StopSoundHandle(handle);
}

int IsSoundPlaying(int handle) {
  zelvo::LibraryLockGuard lock;
  return zelvo::IsSoundPlayingBody(handle);
}

int SetSoundLevel(int volume, int handle) {
  zelvo::LibraryLockGuard lock;
  return zelvo::SetSoundVolumeBody(volume, handle);
}
