#pragma once
/* Zelvo: the public interface of the 2D media library. Every entry point takes the library lock for
   its whole body except SleepWithMessages, SetupPixelFormatFromMasks, SetupPixelFormat32 and
   ClipRectToRect, so entries may be called from several threads. Texts are Shift-JIS (CP932).
   Results: 0 success, -1 failure; creating entries return a handle (graph or sound, each usable
   only with its own kind's entries) or -1; OpenReadStream returns 0 on failure. A handle stays
   valid until it is released or the library shuts down; a released or foreign handle is a "bad
   handle" and makes the entry fail. */
#include <stdint.h>

#include <zelvo/pixel_format.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Local date and time as GetLocalDateTime fills it: Year four digits, Month 1..12, Day 1..31. */
typedef struct ZelvoDateTime {
  int Year, Month, Day, Hour, Minute, Second;
} ZelvoDateTime;

/* A rectangle in pixels; Right and Bottom are exclusive. */
typedef struct ZelvoRect {
  int Left, Top, Right, Bottom;
} ZelvoRect;

/* Draw targets of SelectDrawTarget besides graph handles. */
#define ZELVO_BACK_BUFFER (-2)
#define ZELVO_FRONT_BUFFER (-4)

/* Play types of StartSound. */
#define ZELVO_PLAY_WAIT 0   /* returns when the sound has ended (messages are pumped meanwhile) */
#define ZELVO_PLAY_RETURN 1 /* returns at once; the sound plays once */
#define ZELVO_PLAY_LOOP 3   /* returns at once; the sound repeats until HaltSound */

/* Blend modes of SetBlendMode; the parameter (0..255) is the strength of the blend. */
#define ZELVO_BLEND_NONE 0
#define ZELVO_BLEND_ALPHA 1
#define ZELVO_BLEND_ADD 2
#define ZELVO_BLEND_SUBTRACT 3
#define ZELVO_BLEND_MULTIPLY 4

/* Texture filters of SetTextureFilter, used when a graph is scaled or rotated. */
#define ZELVO_FILTER_NEAREST 0
#define ZELVO_FILTER_BILINEAR 1

/* File types of SaveScreenRectToFile. */
#define ZELVO_SAVE_BMP 0
#define ZELVO_SAVE_JPEG 1
#define ZELVO_SAVE_PNG 2

/* Window flags of SwitchWindowMode. */
#define ZELVO_FULL_SCREEN 0
#define ZELVO_WINDOWED 1

/* Flags of FindAnyInputDown: which devices it searches. */
#define ZELVO_INPUT_KEYBOARD 1
#define ZELVO_INPUT_PADS 2
#define ZELVO_INPUT_MOUSE 4
#define ZELVO_INPUT_ALL (ZELVO_INPUT_KEYBOARD | ZELVO_INPUT_PADS | ZELVO_INPUT_MOUSE)

/* Pad codes of ReadPadBits: joypad n (1 = the first) is code n; adding ZELVO_PAD_WITH_KEYBOARD
   merges the keyboard into the pad (arrows for directions, Z X C A S D Q W Escape Space for
   buttons 0..9). ZELVO_PAD_WITH_KEYBOARD alone reads the keyboard only. */
#define ZELVO_PAD_1 1
#define ZELVO_PAD_WITH_KEYBOARD 0x1000

/* Bits of ReadPadBits' result: directions, then button i (0..23) at bit 4 + i. */
#define ZELVO_PAD_DOWN 0x1
#define ZELVO_PAD_LEFT 0x2
#define ZELVO_PAD_RIGHT 0x4
#define ZELVO_PAD_UP 0x8
#define ZELVO_PAD_BUTTON(i) (0x10 << (i))

/* Style flags of SetDefaultFontStyle. */
#define ZELVO_FONT_EDGE 1      /* text is drawn with an edge in the edge colour */
#define ZELVO_FONT_ANTIALIAS 2 /* glyphs are smoothed */

/* Flags of LoadGraphFile and LoadGraphFileDivided. */
#define ZELVO_LOAD_TEXTURE 0     /* the graph may become a texture (rotation, blending on the card) */
#define ZELVO_LOAD_NOT_TEXTURE 1 /* the graph stays a plain surface */

/* Start-up and shut-down. */

/* Opens the window (or full screen), graphics, sound, input and fonts. Window mode, title and the
   log switch set before it take effect here. -1 when the library is already starting or running,
   or when start-up failed. */
int StartUpLibrary(void);
/* Releases every graph, sound and font and closes the window; call it last. Always 0. */
int ShutDownLibrary(void);

/* Text console drawn over the screen. */

/* Appends printf-formatted text (at most 1023 bytes after formatting) to the on-screen console,
   which is drawn on the next PresentBackBuffer. Always 0. */
int ScreenLogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
/* Empties the on-screen console. Always 0. */
int ScreenLogClear(void);

/* Files, also read from the library's archives. */

/* Opens a file for reading; asyncFlag non-zero lets reads run in the background. A stream, or 0
   when the file cannot be opened. */
intptr_t OpenReadStream(const char* path, int asyncFlag);
/* Closes a stream from OpenReadStream; the stream may not be used afterwards. 0 on success. */
int CloseReadStream(intptr_t stream);
/* 1 when the stream's position is at the end of the file, else 0. */
int ReadStreamAtEnd(intptr_t stream);
/* Reads one line ended by CR LF into buffer (size bytes, NUL included) and returns its length
   without the CR LF; a bare LF stays in the text. A longer line comes in pieces of size - 1 bytes,
   and a double-byte character is never split. -1 at the end of the file. */
int ReadStreamLine(char* buffer, int size, intptr_t stream);
/* The next byte 0..255, or -1 at the end of the file or when the read fails. */
int ReadStreamByte(intptr_t stream);

/* Window, time and chance. */

/* Handles the window's pending messages; call once a frame. 0, or -1 once the window is closed
   (the program should then shut down). */
int PumpMessages(void);
/* windowFlag ZELVO_WINDOWED or ZELVO_FULL_SCREEN. Before start-up it only records the choice and
   returns 0. 0 on success or when the mode is already the current one, negative when the display
   refused the change (the old mode stays). */
int SwitchWindowMode(int windowFlag);
/* Sets the window's title (CP932). Always 0. */
int SetWindowTitleText(const char* text);
/* flag 0 stops writing the log file, non-zero writes it. Always 0. */
int SetLogFileEnabled(int flag);
/* Waits the given milliseconds while handling messages. Always 0; returns early once the window
   is closed. */
int SleepWithMessages(int milliseconds);
/* Milliseconds since the system started; the argument is not read. */
int GetTickMilliseconds(int ignored);
/* Fills out with the local date and time. 0. */
int GetLocalDateTime(ZelvoDateTime* out);
/* A random integer from 0 to maximum, both included. */
int RandomUpTo(int maximum);

/* Input. Keys are keyboard scan codes 0..255 (1 Escape, 28 Enter, 57 Space, 200 up, 208 down,
   203 left, 205 right). Before start-up, or while input cannot start, every reader reports no
   input. */

/* 1 while the key is down, 0 when up or keyCode is outside 0..255. */
int IsKeyDown(int keyCode);
/* Searches the devices named by flags (ZELVO_INPUT_*): the first key code down (lock keys such as
   Caps Lock are skipped), -1 when a pad button or direction or a mouse button is down, 0 when
   nothing is. */
int FindAnyInputDown(int flags);
/* Fills states256[code] with 1 for each key down, 0 for each key up. 0, or -1 for a null buffer. */
int ReadAllKeyStates(unsigned char* states256);
/* The ZELVO_PAD_* bits of pad code pad (ZELVO_PAD_1.., plus ZELVO_PAD_WITH_KEYBOARD to merge the
   keyboard). 0 for a pad that is not connected. */
int ReadPadBits(int pad);

/* Colours and pixel formats. */

/* The display's pixel format record, valid while the library runs. */
const DDPixelFormatRecord* GetDisplayPixelFormat(void);
/* The colour value of red, green, blue (each 0..255) in the screen's format, for the colour
   arguments of the drawing entries. */
unsigned int PackColor(int red, int green, int blue);
/* Fills format for a pixel of bits bits (8, 16, 24 or 32) with the given channel masks (alpha 0
   for none). Always 0. Takes no lock. */
int SetupPixelFormatFromMasks(PixelFormat* format, int bits, unsigned int redMask, unsigned int greenMask,
                              unsigned int blueMask, unsigned int alphaMask);
/* Fills record, a display pixel-format record, with bits and the channel masks. Always 0.
   Takes no lock. */
int SetupPixelFormat32(DDPixelFormatRecord* record, int bits, unsigned int redMask, unsigned int greenMask,
                       unsigned int blueMask, unsigned int alphaMask);

/* The screen. */

/* Shows the back buffer (the finished frame) and waits for the display when it can. 0, or -1 when
   graphics are not running. */
int PresentBackBuffer(void);
/* Saves the rectangle x1, y1 to x2, y2 (exclusive) of the current draw target to path; type is a
   ZELVO_SAVE_* value, jpegQuality 0..100 for JPEG, pngLevel 0..9 (-1 the default) for PNG. -1 when
   graphics are not running, the rectangle is empty after clipping, or the file cannot be written. */
int SaveScreenRectToFile(int x1, int y1, int x2, int y2, const char* path, int type, int jpegQuality,
                         int pngLevel);

/* Graphs: pictures loaded from BMP, JPEG or PNG files (or archives), named by graph handles. */

/* Releases a graph; logFlag non-zero writes a log line. 0, or -1 for a bad handle. */
int ReleaseGraph(int handle, int logFlag);
/* Loads a picture as a graph; flag is ZELVO_LOAD_TEXTURE or ZELVO_LOAD_NOT_TEXTURE. A graph
   handle, or -1 when graphics are not running or the file is missing or unreadable. */
int LoadGraphFile(const char* path, int flag);
/* Loads a picture and cuts it into total cells of cellWidth x cellHeight, countAcross to a row
   and countDown rows, read left to right then down; handles (total elements) receives their
   graph handles. flag as for LoadGraphFile. 0, or -1 when graphics are not running, the file
   cannot be loaded or a cell lies outside the picture (no handle is kept then). */
int LoadGraphFileDivided(const char* path, int total, int countAcross, int countDown, int cellWidth,
                         int cellHeight, int* handles, int flag);

/* Drawing, on the current draw target, clipped to it, under the current blend mode and tint.
   Every drawing entry returns -1 when graphics are not running, and 0 without drawing while the
   library shuts graphics down. Colours come from PackColor. */

/* Fills the draw target with black. 0. */
int ClearDrawTarget(void);
/* Draws a graph with its top-left corner at x, y; transparentFlag non-zero leaves the graph's
   transparent colour and transparent pixels out, 0 draws every pixel. -1 for a bad handle. */
int BlitGraph(int x, int y, int handle, int transparentFlag);
/* Draws a graph centred on x, y, scaled by scale (1.0 the picture's size) and turned by angle
   radians clockwise; mirrorFlag non-zero flips it left to right first. transparentFlag as for
   BlitGraph. -1 for a bad handle. */
int BlitGraphRotated(int x, int y, double scale, double angle, int handle, int transparentFlag, int mirrorFlag);
/* As BlitGraphRotated, turning about the graph's point centreX, centreY, which lands on x, y. */
int BlitGraphRotatedPivot(int x, int y, int centreX, int centreY, double scale, double angle, int handle,
                          int transparentFlag, int mirrorFlag);
/* A line from x1, y1 to x2, y2, thickness pixels wide (1 a plain line). */
int DrawLineSegment(int x1, int y1, int x2, int y2, unsigned int color, int thickness);
/* The rectangle x1, y1 to x2, y2 (exclusive); fillFlag non-zero fills it, 0 draws its outline. */
int DrawRectangle(int x1, int y1, int x2, int y2, unsigned int color, int fillFlag);
/* A circle about x, y; fillFlag as for DrawRectangle. */
int DrawCircleShape(int x, int y, int radius, unsigned int color, int fillFlag);
/* An ellipse about x, y with the two radii; fillFlag as for DrawRectangle. */
int DrawEllipse(int x, int y, int radiusX, int radiusY, unsigned int color, int fillFlag);
/* The triangle of the three corners; fillFlag as for DrawRectangle. */
int DrawTriangleShape(int x1, int y1, int x2, int y2, int x3, int y3, unsigned int color, int fillFlag);
/* Draws CP932 text with the default font, its top-left corner at x, y; edgeColor is used when the
   font style has ZELVO_FONT_EDGE. -1 when there is no default font. */
int DrawTextDefaultFont(int x, int y, const char* text, unsigned int color, unsigned int edgeColor);
/* Formats printf-style (at most 1023 bytes) and draws as DrawTextDefaultFont with edge colour 0.
   A null format draws nothing and returns 0. */
int DrawTextFormatted(int x, int y, unsigned int color, const char* format, ...) __attribute__((format(printf, 4, 5)));

/* Drawing state: kept until changed, read by every later drawing entry. */

/* mode ZELVO_FILTER_NEAREST or ZELVO_FILTER_BILINEAR. Always 0. */
int SetTextureFilter(int mode);
/* mode a ZELVO_BLEND_* value; parameter 0..255 (values outside are clamped) is its strength, 255
   the full effect (for ZELVO_BLEND_ALPHA: the opacity). Always 0. */
int SetBlendMode(int mode, int parameter);
/* Multiplies drawn colours by red, green, blue (each 0..255, clamped; 255 leaves a channel as it
   is). Always 0. */
int SetDrawTint(int red, int green, int blue);
/* Directs drawing to ZELVO_BACK_BUFFER, ZELVO_FRONT_BUFFER or a graph handle; the drawing area
   becomes the whole target when its size changes. 0, or -1 before start-up, for a bad handle, or
   when the switch failed (the old target stays). */
int SelectDrawTarget(int target);
/* Cuts rect down to its part inside clip (an empty rectangle when they do not meet). Always 0.
   Takes no lock. */
int ClipRectToRect(ZelvoRect* rect, const ZelvoRect* clip);

/* Fonts. */

/* Sets the default font's ZELVO_FONT_* flags (-1 none) and remakes the font; a font that cannot be
   made yet (before start-up) is made when text is next drawn. Always 0. */
int SetDefaultFontStyle(int styleFlags);

/* Sounds: WAVE files (or archives), named by sound handles. */

/* Loads a sound with bufferCount copies (at most 10 are made) so that it can overlap itself;
   linkedHandle is -1. A sound handle, or -1 when the file is missing or unreadable or
   sound is not running. */
int LoadSoundFile(const char* path, int bufferCount, int linkedHandle);
/* Releases a sound; the second argument is not read. 0, or -1 for a bad handle. */
int ReleaseSound(int handle, int ignored);
/* Plays a sound; playType a ZELVO_PLAY_* value. fromTop 1 starts at the beginning (stopping a
   copy that plays); 0 goes on where the last copy stood and leaves a playing copy alone. 0, or -1
   for a bad handle or when the sound device refused. */
int StartSound(int handle, int playType, int fromTop);
/* Stops every copy of a sound. 0, or -1 for a bad handle. */
int HaltSound(int handle);
/* 1 while any copy of a sound plays, 0 when none does, -1 for a bad handle. */
int IsSoundPlaying(int handle);
/* Sets a sound's volume, 0 silent to 255 full (values outside are clamped). 0, or -1 for a bad
   handle. */
int SetSoundLevel(int volume, int handle);

#ifdef __cplusplus
}
#endif
