// Preview canvas interaction: placing, moving and colouring the label with the mouse.
#pragma once

// Runs one event of the preview canvas (the current event of the queue).
void PreviewCanvasEvent();
