// The 2D drawing context.
#pragma once

void DrawingInit();
