#pragma once

#include "ToneSynth.h"

#include <functional>
#include <string>
#include <vector>

namespace corvale::tonegen {

struct ToneRecipe {
    std::string name;
    std::function<Tone()> make;
};

// The program's own alert tones, each under 1.5 seconds.
const std::vector<ToneRecipe>& toneCatalogue();

} // namespace corvale::tonegen
