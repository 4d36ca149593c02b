// The installed backend, and the inactive one used until a real or headless backend is installed.
#include "vcl/backend.h"

#include <algorithm>
#include <vector>

#include "rtl/exceptions.h"

namespace vcl {
namespace {

// One character of a line as the approximation sees it: its width in half pixels.
struct Glyph {
    int halfPixels;
    bool space;
};

// Splits text into lines ("\r\n", "\r", "\n") of glyphs; '&' takes no room, "&&" is one '&'.
std::vector<std::vector<Glyph>> GlyphLines(const std::string& text, int pixelHeight) {
    std::vector<std::vector<Glyph>> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
            continue;
        }
        if (c == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                ++i;  // "&&" draws one '&'
            } else {
                continue;  // marks the next character; takes no room
            }
        }
        if (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) {
            ++i;  // a double-byte character: lead and trail byte
            lines.back().push_back({2 * pixelHeight, false});
        } else {
            lines.back().push_back({pixelHeight, c == ' '});
        }
    }
    return lines;
}

int HalfPixels(const std::vector<Glyph>& line) {
    int sum = 0;
    for (const Glyph& glyph : line) sum += glyph.halfPixels;
    return sum;
}

// Breaks one line into lines no wider than width: before the glyph that would overflow, at the last space
// before it when there is one (that space is dropped). A line keeps at least one glyph.
std::vector<std::vector<Glyph>> Wrap(const std::vector<Glyph>& line, int width) {
    std::vector<std::vector<Glyph>> result(1);
    for (const Glyph& glyph : line) {
        std::vector<Glyph>& current = result.back();
        if (!current.empty() && (HalfPixels(current) + glyph.halfPixels) / 2 > width) {
            std::vector<Glyph> rest;
            auto space = std::find_if(current.rbegin(), current.rend(), [](const Glyph& g) { return g.space; });
            if (space != current.rend()) {
                auto at = space.base() - 1;  // the space itself
                rest.assign(at + 1, current.end());
                current.erase(at, current.end());
            }
            rest.push_back(glyph);
            result.push_back(std::move(rest));
        } else {
            current.push_back(glyph);
        }
    }
    return result;
}

// Keeps properties only; anything that would wait for a user fails loudly instead of guessing.
class InactiveBackend final : public Backend {
public:
    void CreateHandle(TWinControl&) override {}
    void DestroyHandle(TWinControl&) override {}
    void ControlDestroyed(TControl&) override {}
    void Changed(TControl&, TChange) override {}
    void PaintNow(TControl&) override {}
    int FrameWidth(const TForm&) override { return 0; }
    int FrameHeight(const TForm&) override { return 0; }
    void HandleMessage(TForm*) override { Fail("a message loop"); }
    void ProcessMessages() override {}
    int ShowMessageBox(const std::string& text, const std::string&, unsigned) override {
        Fail("a message box (" + text + ")");
        return 0;
    }
    bool BrowseForFolder(const std::string&, std::string&) override {
        Fail("a folder browser");
        return false;
    }
    void TimerChanged(TTimer&) override {}
    void TimerDestroyed(TTimer&) override {}

private:
    [[noreturn]] static void Fail(const std::string& what) {
        throw rtl::Exception("No window backend is installed for " + what);
    }
};

Backend* current = nullptr;

// Never destroyed: forms freed during static destruction still talk to it.
Backend& Inactive() {
    static Backend* inactive = new InactiveBackend;
    return *inactive;
}

}  // namespace

TSize ApproximateTextSize(const TFont& font, const std::string& text, bool wordWrap, int width) {
    const int pixelHeight = std::max(1, (font.Size() * 96 + 36) / 72);
    TSize size;
    for (const std::vector<Glyph>& line : GlyphLines(text, pixelHeight)) {
        std::vector<std::vector<Glyph>> pieces = wordWrap ? Wrap(line, width) : std::vector<std::vector<Glyph>>{line};
        for (const std::vector<Glyph>& piece : pieces) {
            size.Width = std::max(size.Width, HalfPixels(piece) / 2);
            size.Height += pixelHeight;
        }
    }
    return size;
}

Backend& backend() { return current ? *current : Inactive(); }

Backend* SetBackend(Backend* next) {
    Backend* previous = current;
    current = next;
    return previous;
}

}  // namespace vcl
