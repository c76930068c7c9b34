#include "tools/artgen/Art.h"
#include "tools/artgen/ButtonArt.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int kWidth = 400, kHeight = 300;
const Rgb kGold = hex(0xF0D077);
const Rgb kText = hex(0xDCE2F0);
const Rgb kMuted = hex(0x98A2BE);
const Rgb kBand = hex(0x0A0E1D);

// Common to the three pages: a deep blue gradient (flat along each row, which packs small),
// an inset frame, the title with a gold rule under it, and the darker band that the
// navigation buttons sit on.
Canvas pageBase(const Fonts& fonts, const std::string& title) {
    Canvas c(kWidth, kHeight);
    fillVertical(c, {0, 0, kWidth, 244}, hex(0x222C52), hex(0x11172E));
    fillVertical(c, {0, 244, kWidth, kHeight}, hex(0x0D1224), kBand);
    for (int x = 0; x < kWidth; ++x) {
        float edge = std::min(1.0f, std::min(x, kWidth - 1 - x) / 120.0f);
        c.blend(x, 244, hex(0x3A4677), 0.9f * edge);
        c.blend(x, 245, Rgb{0, 0, 0}, 0.5f * edge);
    }
    paint(c, roundedOutline(kWidth, kHeight, {3, 3, kWidth - 3.0f, kHeight - 3.0f}, 6, 1), hex(0x6C5E3A), 0.9f);

    drawText(c, fonts.mincho, title, 22, 12, TextStyle{24, kGold, true, 0.8f, 0.35f, hex(0x7A5A10)});
    for (int x = 20; x < kWidth - 20; ++x) {
        float t = (x - 20.0f) / (kWidth - 40.0f);
        float fade = std::min(1.0f, std::min(t, 1 - t) * 6);
        c.blend(x, 46, kGold, 0.85f * fade);
        c.blend(x, 47, hex(0x5A4A20), 0.6f * fade);
    }
    return c;
}

void line(Canvas& c, const Font& font, const std::string& text, float x, float y, float size, Rgb colour, bool bold = false) {
    drawText(c, font, text, x, y, TextStyle{size, colour, bold, 0.6f});
}

// A small gold diamond in front of a list item.
void bullet(Canvas& c, float cx, float cy) {
    Mask m(kWidth, kHeight);
    for (int y = int(cy) - 5; y <= int(cy) + 5; ++y)
        for (int x = int(cx) - 5; x <= int(cx) + 5; ++x) {
            float d = std::fabs(x + 0.5f - cx) + std::fabs(y + 0.5f - cy);
            if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) m.alpha[std::size_t(y) * kWidth + x] = std::clamp(3.5f - d, 0.0f, 1.0f);
        }
    paint(c, m, kGold);
}

Canvas introductionPage(const Fonts& fonts) {
    Canvas c = pageBase(fonts, "インストールウィザード");
    const Font& g = fonts.gothic;
    line(c, g, "ゲームをお使いのコンピュータにインストールします。", 22, 58, 13, kText);
    line(c, g, "下のボタンから進め方を選んでください。", 22, 76, 13, kText);
    struct Item { const char* name; const char* what; };
    const Item items[] = {
        {"インストールウィザード", "画面の案内に従って順に設定します。"},
        {"カスタムインストール", "すべての設定を一つの画面で行います。"},
        {"キャンセル", "インストールせずにメニューへ戻ります。"},
    };
    float y = 98;
    for (const Item& item : items) {
        bullet(c, 30, y + 8);
        line(c, g, item.name, 42, y, 14, kGold, true);
        line(c, g, item.what, 58, y + 18, 12.5f, kText);
        y += 37;
    }
    Mask plate = roundedRect(kWidth, kHeight, {16, 213, kWidth - 16.0f, 240}, 4);
    paint(c, plate, Rgb{0, 0, 0}, 0.35f);
    drawText(c, g, "本ソフトウェアの使用によって生じたいかなる損害についても、", kWidth / 2.0f, 215, TextStyle{11, kMuted}, Align::Centre);
    drawText(c, g, "制作者および販売元は一切の責任を負いかねます。", kWidth / 2.0f, 227, TextStyle{11, kMuted}, Align::Centre);
    return c;
}

Canvas folderPage(const Fonts& fonts) {
    Canvas c = pageBase(fonts, "インストール場所の設定");
    const Font& g = fonts.gothic;
    line(c, g, "ゲームをインストールする場所を選んでください。", 22, 58, 13, kText);
    bullet(c, 22, 96);
    line(c, g, "インストールするフォルダ", 32, 87, 15, kGold, true);
    // The folder text is drawn at (14, 120) in 32-pixel type on black, so the box is black.
    Box box{8, 112, 392, 156};
    paint(c, blurred(roundedRect(kWidth, kHeight, {box.x0 - 2, box.y0 - 1, box.x1 + 2, box.y1 + 3}, 6), 2), Rgb{0, 0, 0}, 0.6f);
    paint(c, roundedRect(kWidth, kHeight, box, 4), Rgb{0, 0, 0});
    paint(c, roundedOutline(kWidth, kHeight, box, 4, 1.2f), hex(0x8D7A48));
    line(c, g, "この中にゲーム名のフォルダが作られます。", 22, 171, 12, kMuted);
    line(c, g, "変更するには「フォルダ選択」を押します。", 22, 189, 12, kMuted);
    return c;
}

Canvas optionsPage(const Fonts& fonts) {
    Canvas c = pageBase(fonts, "その他の設定");
    const Font& g = fonts.gothic;
    bullet(c, 22, 72);
    line(c, g, "デスクトップにショートカットを作成する。", 32, 63, 15, kGold, true);
    bullet(c, 22, 142);
    line(c, g, "ゲームを起動する時のモード選択", 32, 133, 15, kGold, true);
    line(c, g, "選んだ方のボタンが押された状態になります。", 22, 212, 12, kMuted);
    return c;
}

ButtonTheme wizardTheme() {
    ButtonTheme t;
    t.backdrop = hex(0x10162B);
    t.top[0] = hex(0x3A4A7E), t.bottom[0] = hex(0x1B2446);
    t.top[1] = hex(0x5068AE), t.bottom[1] = hex(0x26346A);
    t.top[2] = hex(0x141A33), t.bottom[2] = hex(0x2A3663);
    t.top[3] = hex(0x3C3F48), t.bottom[3] = hex(0x2A2C33);
    t.border[0] = hex(0x8D7A48), t.border[1] = hex(0xF0D077), t.border[2] = hex(0xF0D077), t.border[3] = hex(0x5A5C63);
    t.label[0] = hex(0xEEF0F6), t.label[1] = hex(0xFFF4C8), t.label[2] = hex(0xF0D077), t.label[3] = hex(0x80838C);
    t.labelSize = 14;
    return t;
}

}  // namespace

std::array<Canvas, 3> wizardPages(const Fonts& fonts) {
    return {introductionPage(fonts), folderPage(fonts), optionsPage(fonts)};
}

ChipSheet wizardButtons(const Fonts& fonts) {
    const char* labels[10] = {"インストールウィザード", "カスタムインストール", "キャンセル", "次へ", "戻る",
                              "フォルダ選択", "作る", "作らない", "フルスクリーン", "ウィンドウ"};
    ButtonTheme theme = wizardTheme();
    std::vector<ButtonFrame> frames;
    for (int b = 0; b < 10; ++b)
        for (int state = 0; state < 4; ++state)
            frames.push_back(drawButton(fonts.gothic, theme, labels[b], state, 112, 32, b >= 6 ? "HDD容量不足" : ""));
    return chipSheetOf(frames);
}
