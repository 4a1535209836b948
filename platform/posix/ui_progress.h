// Between the terminal's progress line and other output: a prompt first ends
// the line, so that the question starts on a line of its own.
#pragma once

namespace hoard::platform {

void EndProgressLineIfShown();

// Around other output to the same terminal (the listing on standard
// output): the line is wiped, and drawn again below what was written.
void SuspendProgressLine();
void ResumeProgressLine();

}  // namespace hoard::platform
