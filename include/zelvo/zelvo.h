#pragma once
/* Zelvo: the public interface of the 2D media library. Every entry point takes the library lock for
   its whole body except SleepWithMessages, SetupPixelFormatFromMasks, SetupPixelFormat32 and
   ClipRectToRect. Texts are Shift-JIS (CP932). Results: 0 success, -1 failure; creating entries
   return a handle or -1; OpenReadStream returns 0 on failure. */
#include <stdint.h>

#include <zelvo/pixel_format.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ZelvoDateTime {
  int Year, Month, Day, Hour, Minute, Second;
} ZelvoDateTime;

typedef struct ZelvoRect {
  int Left, Top, Right, Bottom;
} ZelvoRect;

/* Draw targets of SelectDrawTarget besides graph handles. */
#define ZELVO_BACK_BUFFER (-2)
#define ZELVO_FRONT_BUFFER (-4)

/* Play types of StartSound. */
#define ZELVO_PLAY_WAIT 0
#define ZELVO_PLAY_RETURN 1
#define ZELVO_PLAY_LOOP 3

int StartUpLibrary(void);
int ShutDownLibrary(void);
int ScreenLogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int ScreenLogClear(void);
intptr_t OpenReadStream(const char* path, int asyncFlag);
int CloseReadStream(intptr_t stream);
int ReadStreamAtEnd(intptr_t stream);
int ReadStreamLine(char* buffer, int size, intptr_t stream);
int ReadStreamByte(intptr_t stream);
int PumpMessages(void);
int SwitchWindowMode(int windowFlag);
int SetWindowTitleText(const char* text);
int SetLogFileEnabled(int flag);
int SleepWithMessages(int milliseconds);
int GetTickMilliseconds(int ignored);
int GetLocalDateTime(ZelvoDateTime* out);
int RandomUpTo(int maximum);
int IsKeyDown(int keyCode);
int FindAnyInputDown(int flags);
int ReadAllKeyStates(unsigned char* states256);
int ReadPadBits(int pad);
const DDPixelFormatRecord* GetDisplayPixelFormat(void);
unsigned int PackColor(int red, int green, int blue);
int SetupPixelFormatFromMasks(PixelFormat* format, int bits, unsigned int redMask, unsigned int greenMask,
                              unsigned int blueMask, unsigned int alphaMask);
int SetupPixelFormat32(DDPixelFormatRecord* record, int bits, unsigned int redMask, unsigned int greenMask,
                       unsigned int blueMask, unsigned int alphaMask);
int PresentBackBuffer(void);
int SaveScreenRectToFile(int x1, int y1, int x2, int y2, const char* path, int type, int jpegQuality,
                         int pngLevel);
int ReleaseGraph(int handle, int logFlag);
int LoadGraphFile(const char* path, int flag);
int LoadGraphFileDivided(const char* path, int total, int countAcross, int countDown, int cellWidth,
                         int cellHeight, int* handles, int flag);
int ClearDrawTarget(void);
int BlitGraph(int x, int y, int handle, int transparentFlag);
int BlitGraphRotated(int x, int y, double scale, double angle, int handle, int transparentFlag, int mirrorFlag);
int BlitGraphRotatedPivot(int x, int y, int centreX, int centreY, double scale, double angle, int handle,
                          int transparentFlag, int mirrorFlag);
int DrawLineSegment(int x1, int y1, int x2, int y2, unsigned int color, int thickness);
int DrawRectangle(int x1, int y1, int x2, int y2, unsigned int color, int fillFlag);
int DrawCircleShape(int x, int y, int radius, unsigned int color, int fillFlag);
int DrawEllipse(int x, int y, int radiusX, int radiusY, unsigned int color, int fillFlag);
int DrawTriangleShape(int x1, int y1, int x2, int y2, int x3, int y3, unsigned int color, int fillFlag);
int DrawTextDefaultFont(int x, int y, const char* text, unsigned int color, unsigned int edgeColor);
int DrawTextFormatted(int x, int y, unsigned int color, const char* format, ...) __attribute__((format(printf, 4, 5)));
int SetTextureFilter(int mode);
int SetBlendMode(int mode, int parameter);
int SetDrawTint(int red, int green, int blue);
int SelectDrawTarget(int target);
int ClipRectToRect(ZelvoRect* rect, const ZelvoRect* clip);
int SetDefaultFontStyle(int styleFlags);
int LoadSoundFile(const char* path, int bufferCount, int linkedHandle);
int ReleaseSound(int handle, int ignored);
int StartSound(int handle, int playType, int fromTop);
int HaltSound(int handle);
int IsSoundPlaying(int handle);
int SetSoundLevel(int volume, int handle);

#ifdef __cplusplus
}
#endif
