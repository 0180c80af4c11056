#include "graph/contrast_colors.h"

namespace {

constexpr Fill fills_in_turn[] = {Fill::solid, Fill::dotted, Fill::hatched};

}  // namespace

Palette choose_palette(bool high_contrast, const SystemColours& system, const ColorSet& user) {
    if (!high_contrast) return Palette{false, user, Fill::solid, Fill::solid, Fill::solid};
    const Colour background = system.window;
    // A theme whose text matches its window would show nothing at all: the
    // opposite colour is the only one sure to stand out then.
    const Colour text = system.window_text != background ? system.window_text : background ^ 0xFFFFFFu;
    const auto visible = [&](Colour colour) { return colour != background ? colour : text; };
    Palette palette{};
    palette.high_contrast = true;
    palette.colors = {background, visible(system.highlight), visible(system.hotlight), text, text};
    // In order of precedence: the overlapped part, download, upload. Each takes
    // the next fill among those that share its colour.
    const Colour series[] = {palette.colors.overlapped, palette.colors.download, palette.colors.upload};
    Fill* const fills[] = {&palette.overlapped_fill, &palette.download_fill, &palette.upload_fill};
    for (int i = 0; i < 3; ++i) {
        int sharing = 0;
        for (int j = 0; j < i; ++j)
            if (series[j] == series[i]) ++sharing;
        *fills[i] = fills_in_turn[sharing];
    }
    return palette;
}
