// The calculator's face at 1x, in pixels: where the display, the keys and
// the slide switches sit, and which cell of keys.bmp is each key's face.
// The window and the page draw the same face from it.
#pragma once

namespace varnox {

struct FaceRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

inline constexpr int FaceWidth = 315;
inline constexpr int FaceHeight = 528;
inline constexpr FaceRect OuterBevelPlace{16, 8, 281, 153};
inline constexpr FaceRect InnerBevelPlace{48, 16, 217, 137};
// The display at double size: two pixels a dot.
inline constexpr FaceRect DisplayPlace{60, 20, 192, 128};
// The window's lasting messages, between the display's frame and the
// switches.
inline constexpr FaceRect BadgeStripPlace{16, 162, 281, 13};

inline constexpr int FaceKeyCount = 50;
// keys.bmp: six cells a row, the upper 30 keys in five rows, the lower 20
// in four rows of five.
inline constexpr int KeyCellWidth = 35;
inline constexpr int KeyCellHeight = 11;
inline constexpr int KeysPictureWidth = 6 * KeyCellWidth;
inline constexpr int KeysPictureHeight = 9 * KeyCellHeight;

constexpr bool IsUpperKey(int key) { return key <= 30; }
constexpr int KeyColumn(int key) { return IsUpperKey(key) ? (key - 1) % 6 : (key - 31) % 5; }
constexpr int KeyRow(int key) { return IsUpperKey(key) ? (key - 1) / 6 : (key - 31) / 5; }

// Key 1..50 on the face.
constexpr FaceRect KeyPlace(int key) {
    constexpr int LowerLefts[5] = {16, 74, 132, 190, 248};
    if (IsUpperKey(key)) return {16 + 48 * KeyColumn(key), 208 + 32 * KeyRow(key), 41, 17};
    return {LowerLefts[KeyColumn(key)], 368 + 40 * KeyRow(key), 49, 25};
}

// Where key 1..50's PC key is written, right-aligned above the key, in
// the gap between the rows: tall enough to read at 1x.
constexpr FaceRect KeyHintPlace(int key) {
    const FaceRect k = KeyPlace(key);
    return {k.Left, k.Top - 12, k.Width, 11};
}

// What each key's face says (what the default firmware does with it), by
// key number 1..50; \x80..\x83 are the kit font's arrows.
inline constexpr const char* FaceLegends[FaceKeyCount + 1] = {
    "",
    "HOME", "END", "\"", "\x80", "\x81", "OFF",
    "MENU", "CALC", "MEMO", "\x82", "\x83", "CHAR",
    ":", "TEST", "CUR", "123", "CLR", "CLK0",
    "A", "B", "C", "D", "E", "F",
    "G", "H", "I (", "J )", "K", "L",
    "7", "8", "9", "DEL", "ON/C",
    "4", "5", "6", "*", "/",
    "1", "2", "3", "+", "-",
    "0", ".", "ANS", "SPACE", "=",
};

// Key 1..50's face in keys.bmp.
constexpr FaceRect KeyFaceCell(int key) {
    const int row = IsUpperKey(key) ? KeyRow(key) : 5 + KeyRow(key);
    return {KeyColumn(key) * KeyCellWidth, row * KeyCellHeight, KeyCellWidth, KeyCellHeight};
}

// A slide switch: its knob sits at the left end of its bevel (print N,
// power ON) or mirrored at the right end.
struct SwitchPlace {
    FaceRect Bevel;
    FaceRect Knob;  // at the left end
};
inline constexpr SwitchPlace PrintSwitchPlace{{56, 176, 57, 17}, {58, 178, 33, 13}};
inline constexpr SwitchPlace PowerSwitchPlace{{200, 176, 57, 17}, {202, 178, 33, 13}};

// How far the knob moves to the other end.
constexpr int SwitchTravel(const SwitchPlace& s) {
    return (s.Bevel.Left - s.Knob.Left) * 2 + s.Bevel.Width - s.Knob.Width - 1;
}

struct FaceCaption {
    int Left = 0;
    int Top = 0;
    const char* Text = "";
};
inline constexpr FaceCaption FaceCaptions[] = {{40, 176, "N"}, {120, 176, "HD"}, {176, 176, "ON"}, {264, 176, "OFF"}};

}  // namespace varnox
