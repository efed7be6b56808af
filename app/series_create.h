// Create in the desktop program: the series of the current settings, beside the picture.
#pragma once

// Writes the series while the preview shows the label being written and the title how far it
// is; Escape or the close box stops it after the frames in flight. A file that cannot be written
// stops the series and is told in a message window. Returns false when the main window was
// closed meanwhile (the program is to end).
bool SeriesCreate();
