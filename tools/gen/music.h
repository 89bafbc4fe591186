// The game's six pieces of music, written for it: a calm title piece and five
// stage pieces, each a whole number of bars that runs straight back into its
// own beginning.
#pragma once

#include <string>
#include <vector>

#include "output.h"

namespace gen {

struct Piece {
    std::string file;  // name under Mid/
    Bytes bytes;
    double seconds;
};

std::vector<Piece> AllPieces();

}  // namespace gen
