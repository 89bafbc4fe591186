#include "stages.h"

namespace gen {

namespace {

using Layout = std::array<const char*, StageRows>;

// Rows top to bottom, thirteen columns each. They grow denser and harder to
// reach as the night goes on; from the fifth stage on every brick takes two hits,
// so the fifth starts a little lighter again.
constexpr std::array<Layout, StageCount> Layouts = {{
    // 1: first light, a soft band to learn the bounce on
    {".............",  //
     "...#######...",  //
     "..#########..",  //
     "...#######...",  //
     ".............",  //
     "............."},
    // 2: two crescents facing each other
    {"...##...##...",  //
     "..##.....##..",  //
     ".##.......##.",  //
     ".##.......##.",  //
     "..##.....##..",  //
     "...##...##..."},
    // 3: a chequered floor, where the ball rattles between the squares
    {"#.#.#.#.#.#.#",  //
     ".#.#.#.#.#.#.",  //
     "#.#.#.#.#.#.#",  //
     ".#.#.#.#.#.#.",  //
     ".............",  //
     "............."},
    // 4: the pyramid, widest at the bottom
    {"......#......",  //
     ".....###.....",  //
     "....#####....",  //
     "...#######...",  //
     "..#########..",  //
     ".###########."},
    // 5: a diamond of two-hit bricks
    {"......#......",  //
     "....#####....",  //
     "..#########..",  //
     "..#########..",  //
     "....#####....",  //
     "......#......"},
    // 6: arched windows that trap the ball for a while
    {"#############",  //
     "#..#..#..#..#",  //
     "#..#..#..#..#",  //
     "#############",  //
     ".............",  //
     "............."},
    // 7: diagonal waves
    {"###...###...#",  //
     ".###...###...",  //
     "..###...###..",  //
     "...###...###.",  //
     "#...###...###",  //
     "##...###...##"},
    // 8: the castle with its gate
    {"#.#.#...#.#.#",  //
     "#####...#####",  //
     "##.##...##.##",  //
     "#####.#.#####",  //
     "#.###...###.#",  //
     "............."},
    // 9: a mosaic lattice with hidden pockets
    {"###.#####.###",  //
     "#.#.#...#.#.#",  //
     "###.#.#.#.###",  //
     "....#.#.#....",  //
     "###.#...#.###",  //
     "#.#.#####.#.#"},
    // 10: the full moon in its frame
    {"#############",  //
     "###.......###",  //
     "##...###...##",  //
     "##..#####..##",  //
     "###..###..###",  //
     "#############"},
}};

void PutLe32(Bytes& out, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>((u >> (8 * i)) & 0xFF));
    }
}

}  // namespace

int StageCell(int index, int column, int row) {
    if (index < 0 || index >= StageCount || column < 0 || column >= StageColumns || row < 0 ||
        row >= StageRows) {
        return 0;
    }
    return Layouts[static_cast<size_t>(index)][static_cast<size_t>(row)][column] == '#' ? 1 : 0;
}

Bytes StageFile(int index) {
    Bytes out;
    out.reserve(StageFileBytes);
    for (int c = 0; c < StageColumns; ++c) {
        for (int r = 0; r < StageRows; ++r) {
            PutLe32(out, StageCell(index, c, r));
        }
    }
    return out;
}

std::array<int32_t, 10> StartingScores() {
    return {400, 320, 250, 200, 160, 120, 90, 60, 40, 20};
}

Bytes ScoreFile() {
    Bytes out;
    out.reserve(ScoreFileBytes);
    for (int32_t s : StartingScores()) {
        PutLe32(out, s);
    }
    return out;
}

}  // namespace gen
