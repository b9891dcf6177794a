#pragma once

#include <string>

namespace zelmo {

// --attach: a console on the bot that runs on the data folder. Shows the
// bot's backlog and then its display lines as the headless bot writes them,
// error boxes and notices on standard error; each line typed is a console
// input (in the line editor on a terminal). A question the bot asks here is
// answered by the next line typed. The end of input (Ctrl-D) detaches and
// exits 0; so does the bot closing the console once attached. Without a
// bot there: the reason on standard error and 1.
int RunAttach(const std::string& data_folder);

// --command LINE: one console input; prints the display lines that follow
// for up to a second (ending once they pause), then exits 0; 1 with the
// reason when no bot takes it.
int RunCommand(const std::string& data_folder, const std::string& line);

}  // namespace zelmo
