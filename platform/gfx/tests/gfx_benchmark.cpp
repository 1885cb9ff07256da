// Speed of the drawing the skins do on every redraw: whole-screen copies, colour-key copies,
// fills, and one line of button text.
#include <benchmark/benchmark.h>

#include "platform/gfx/gfx.h"

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 480;

struct Surface {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, kScreenWidth, kScreenHeight);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    Surface() {
        for (int y = 0; y < kScreenHeight; y += 7)
            for (int x = 0; x < kScreenWidth; x += 5) SetPixel(dc, x, y, (x + y) % 3 ? RGB(x, y, 40) : RGB(255, 0, 255));
    }
    ~Surface() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

void BitBltFullFrame(benchmark::State& state) {
    Surface source, dest;
    for (auto _ : state) BitBlt(dest.dc, 0, 0, kScreenWidth, kScreenHeight, source.dc, 0, 0, SRCCOPY);
    state.SetBytesProcessed(state.iterations() * kScreenWidth * kScreenHeight * 4);
}
BENCHMARK(BitBltFullFrame);

void TransparentBltFullFrame(benchmark::State& state) {
    Surface source, dest;
    for (auto _ : state)
        TransparentBlt(dest.dc, 0, 0, kScreenWidth, kScreenHeight, source.dc, 0, 0, kScreenWidth, kScreenHeight,
                       RGB(255, 0, 255));
    state.SetBytesProcessed(state.iterations() * kScreenWidth * kScreenHeight * 4);
}
BENCHMARK(TransparentBltFullFrame);

void FillRectFullFrame(benchmark::State& state) {
    Surface dest;
    HBRUSH brush = CreateSolidBrush(RGB(33, 8, 8));
    const RECT all{0, 0, kScreenWidth, kScreenHeight};
    for (auto _ : state) FillRect(dest.dc, &all, brush);
    DeleteObject(brush);
}
BENCHMARK(FillRectFullFrame);

void DrawTextLine(benchmark::State& state, const char* text) {
    Surface dest;
    HFONT font = CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, "Gulim");
    HGDIOBJ previous = SelectObject(dest.dc, font);
    SetBkMode(dest.dc, TRANSPARENT);
    SetTextColor(dest.dc, RGB(255, 255, 255));
    RECT rect{100, 200, 700, 240};
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawText(dest.dc, text, -1, &rect,
                                          DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX | DT_EXPANDTABS));
    SelectObject(dest.dc, previous);
    DeleteObject(font);
}
BENCHMARK_CAPTURE(DrawTextLine, latin, "01 - Track title of the current song.mp3");
BENCHMARK_CAPTURE(DrawTextLine, korean, "현재모드에서 지원하지 않는 기능입니다.");

void DrawTextWordBreak(benchmark::State& state) {
    Surface dest;
    HFONT font = CreateFont(16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, "Gulim");
    HGDIOBJ previous = SelectObject(dest.dc, font);
    SetBkMode(dest.dc, TRANSPARENT);
    RECT rect{10, 10, 390, 54};
    for (auto _ : state)
        benchmark::DoNotOptimize(
            DrawText(dest.dc, "현재모드에서 지원하지 않는 기능입니다. 잠시 후 다시 시도하여 주십시오.", -1, &rect,
                     DT_CENTER | DT_VCENTER | DT_WORDBREAK));
    SelectObject(dest.dc, previous);
    DeleteObject(font);
}
BENCHMARK(DrawTextWordBreak);

}  // namespace

BENCHMARK_MAIN();
