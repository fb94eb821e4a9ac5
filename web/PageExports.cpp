// The module's functions the page calls: one PageSession per handle, texts
// and bytes handed back through the handle's own buffers, which stay valid
// until the next call that fills them.
#include <emscripten/emscripten.h>

#include <string>
#include <vector>

#include "core/Def.h"
#include "system/BitmapCheck.h"
#include "system/FaceLayout.h"
#include "system/KeyHints.h"
#include "system/KeyMap.h"
#include "web/PageSession.h"

using varnox::web::PageSession;

namespace {

struct PageHandle {
    explicit PageHandle(const char* dir) : Session(dir) {}
    PageSession Session;
    std::string Text;
    std::vector<uint8_t> Bytes;
    const uint8_t* Dots = nullptr;  // of the last read of the display
};

const char* Hand(PageHandle* h, std::string text) {
    h->Text = std::move(text);
    return h->Text.c_str();
}

std::string Lines(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& message : messages) text += message + '\n';
    return text;
}

double HostNow(void*) { return emscripten_get_now(); }

std::string Json(const varnox::FaceRect& r) {
    return "[" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Width) + "," +
           std::to_string(r.Height) + "]";
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE PageHandle* vx_create(const char* dir) { return new PageHandle(dir); }
EMSCRIPTEN_KEEPALIVE const char* vx_power_on(PageHandle* h) { return Hand(h, Lines(h->Session.PowerOn())); }

EMSCRIPTEN_KEEPALIVE int vx_frame(PageHandle* h, double elapsedMs, double untilMs) {
    return static_cast<int>(h->Session.Frame(elapsedMs, HostNow, nullptr, untilMs));
}
EMSCRIPTEN_KEEPALIVE void vx_run_ticks(PageHandle* h, double count) { h->Session.RunTicks(static_cast<long long>(count)); }
EMSCRIPTEN_KEEPALIVE void vx_set_paused(PageHandle* h, int paused) { h->Session.SetPaused(paused != 0); }
EMSCRIPTEN_KEEPALIVE int vx_paused(PageHandle* h) { return h->Session.Paused(); }
EMSCRIPTEN_KEEPALIVE void vx_set_speed(PageHandle* h, int speed) { h->Session.SetSpeed(speed); }

EMSCRIPTEN_KEEPALIVE void vx_mouse_down(PageHandle* h, int key) { h->Session.MouseDown(key); }
EMSCRIPTEN_KEEPALIVE void vx_mouse_up(PageHandle* h) { h->Session.MouseUp(); }
EMSCRIPTEN_KEEPALIVE void vx_key_down(PageHandle* h, int virtualKey) { h->Session.KeyDown(virtualKey); }
EMSCRIPTEN_KEEPALIVE void vx_key_typed(PageHandle* h, int character) {
    h->Session.KeyTyped(static_cast<char32_t>(character));
}
EMSCRIPTEN_KEEPALIVE void vx_press_key(PageHandle* h, int key) { h->Session.PressKey(key); }
EMSCRIPTEN_KEEPALIVE void vx_key_up(PageHandle* h) { h->Session.KeyUp(); }
EMSCRIPTEN_KEEPALIVE void vx_release_keys(PageHandle* h) { h->Session.ReleaseKeys(); }
EMSCRIPTEN_KEEPALIVE void vx_set_print(PageHandle* h, int hd) { h->Session.SetPrintSwitch(hd != 0); }
EMSCRIPTEN_KEEPALIVE void vx_set_power(PageHandle* h, int on) { h->Session.SetPower(on != 0); }
EMSCRIPTEN_KEEPALIVE void vx_reset(PageHandle* h) { h->Session.Reset(); }
EMSCRIPTEN_KEEPALIVE void vx_hold(PageHandle* h, int key, double from, double until) {
    h->Session.Hold(key, static_cast<long long>(from), static_cast<long long>(until));
}

// What the face shows: the held keys (slot 0 mouse, 1 PC key, 2 print
// switch), the power switch, whether a replay runs.
EMSCRIPTEN_KEEPALIVE int vx_held(PageHandle* h, int slot) { return h->Session.HeldKey(slot); }
EMSCRIPTEN_KEEPALIVE int vx_powered(PageHandle* h) { return h->Session.PoweredOn(); }
EMSCRIPTEN_KEEPALIVE int vx_replaying(PageHandle* h) { return h->Session.Path().IsReplaying(); }

// -1: nothing ran since the last save; 0 saved; 1 failed. The messages
// (failures, copies kept) are in vx_text.
EMSCRIPTEN_KEEPALIVE int vx_save_memory(PageHandle* h) {
    const auto saved = h->Session.SaveMemory();
    if (!saved) return -1;
    Hand(h, Lines(saved->Messages));
    return saved->Failed ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE const char* vx_text(PageHandle* h) { return h->Text.c_str(); }
// Whether the last power-on got past the firmware to the memory files.
EMSCRIPTEN_KEEPALIVE int vx_firmware_loaded(PageHandle* h) { return h->Session.KeepsMemory(); }

// The state's bytes in vx_bytes; returns their count.
EMSCRIPTEN_KEEPALIVE int vx_save_state(PageHandle* h) {
    h->Bytes = h->Session.SaveState();
    return static_cast<int>(h->Bytes.size());
}
EMSCRIPTEN_KEEPALIVE const uint8_t* vx_bytes(PageHandle* h) { return h->Bytes.data(); }
// "" when loaded, else the message naming the file.
EMSCRIPTEN_KEEPALIVE const char* vx_load_state(PageHandle* h, const char* file) {
    return Hand(h, h->Session.LoadState(file).value_or(""));
}
EMSCRIPTEN_KEEPALIVE const char* vx_replay(PageHandle* h, const char* file) {
    return Hand(h, h->Session.StartReplay(file).value_or(""));
}

EMSCRIPTEN_KEEPALIVE const char* vx_state_line(PageHandle* h) { return Hand(h, h->Session.StateLine()); }
EMSCRIPTEN_KEEPALIVE const char* vx_screen(PageHandle* h) { return Hand(h, h->Session.Screen()); }

// The display read as the window reads it to paint: 1 when anything
// changed since the last read, plus 2 when the controller is powered (an
// unpowered display shows no dots). The dots are then at vx_dots: 96 x 64
// bytes, rows top down, 1 a black dot, valid until the next read.
EMSCRIPTEN_KEEPALIVE int vx_read_display(PageHandle* h) {
    const varnox::DisplayReader::Read read = h->Session.GetSession().ReadDisplay();
    h->Dots = read.Picture.Dots.data();
    return (read.Any() ? 1 : 0) | (read.Picture.Powered ? 2 : 0);
}
EMSCRIPTEN_KEEPALIVE const uint8_t* vx_dots(PageHandle* h) { return h->Dots; }

// keys.bmp as the window takes it: a file whose header promises more than
// it holds is not shown.
EMSCRIPTEN_KEEPALIVE int vx_truncated_bitmap(const uint8_t* bytes, int size) {
    return varnox::IsTruncatedBitmap({bytes, static_cast<size_t>(size)});
}

// The face at 1x as JSON: size, bevels, display, keys with their cells in
// keys.bmp, switches and captions.
EMSCRIPTEN_KEEPALIVE const char* vx_face_layout(PageHandle* h) {
    using namespace varnox;
    std::string keys;
    const KeyMap& pcKeys = h->Session.GetSession().Keys();
    for (int key = 1; key <= FaceKeyCount; ++key) {
        // The hints are names of PC keys: letters, digits and signs, none
        // that JSON would need escaped but these two.
        std::string hint;
        for (const char c : KeyHint(pcKeys, key)) hint += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        keys += (key > 1 ? "," : "") + std::string("{\"place\":") + Json(KeyPlace(key)) +
                ",\"cell\":" + Json(KeyFaceCell(key)) + ",\"hint\":" + Json(KeyHintPlace(key)) + ",\"hintText\":\"" + hint + "\"}";
    }
    std::string captions;
    for (const FaceCaption& c : FaceCaptions) {
        captions += (captions.empty() ? "" : ",") + std::string("[") + std::to_string(c.Left) + "," +
                    std::to_string(c.Top) + ",\"" + c.Text + "\"]";
    }
    const auto switchJson = [](const SwitchPlace& s) {
        return "{\"bevel\":" + Json(s.Bevel) + ",\"knob\":" + Json(s.Knob) + ",\"travel\":" +
               std::to_string(SwitchTravel(s)) + "}";
    };
    return Hand(h, "{\"size\":[" + std::to_string(FaceWidth) + "," + std::to_string(FaceHeight) +
                       "],\"outer\":" + Json(OuterBevelPlace) + ",\"inner\":" + Json(InnerBevelPlace) +
                       ",\"display\":" + Json(DisplayPlace) + ",\"picture\":[" + std::to_string(KeysPictureWidth) +
                       "," + std::to_string(KeysPictureHeight) + "],\"keys\":[" + keys + "],\"print\":" +
                       switchJson(PrintSwitchPlace) + ",\"power\":" + switchJson(PowerSwitchPlace) +
                       ",\"captions\":[" + captions + "]}");
}

}  // extern "C"
