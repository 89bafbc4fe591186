// Where the game runs. The game reads and writes everything relative to its
// working directory; started inside a game directory it stays there. Started
// anywhere else (from a desktop menu, say, with an installed copy whose files
// are read-only), it moves into a directory of the player's own that shares
// the installed pictures, sounds and music and keeps its own scores and stages.
#pragma once

#include <string>
#include <vector>

// Makes the working directory a game directory: leaves it as it is when it
// already is one, otherwise prepares the player's own and enters it. False
// after a message has said why that was impossible; the program then ends
// with exit code 0.
bool EnterGameDirectory();

namespace gamedir {

// A directory holding Fcg/System1.fcg as a file counts as a game directory.
bool IsGameDirectory(const std::string& dir);

// True when the game should run in `here` as it stands: it is a game
// directory and not one of the installed read-only copies in `installs`.
bool PlaysInPlace(const std::string& here, const std::vector<std::string>& installs);

// The first of `candidates` that is a game directory, with its path made
// absolute and free of links and dots; empty when there is none.
std::string FindInstalledFiles(const std::vector<std::string>& candidates);

// Gets the player's directory `user` (which exists) ready to play in:
// System, Fcg, Wave and Mid become links into `installed` (links that point
// elsewhere are turned to it; real directories are the player's and stay);
// Data/ is made and the stock stage files and an empty best-score table are
// put there where they are absent. A file already there is never touched.
// False with `*why` set when something could not be made.
bool PrepareUserDirectory(const std::string& user, const std::string& installed, std::string* why);

}  // namespace gamedir
