// The text entries of the drawing context's table: selecting a font, measuring and drawing
// text. The text library fills them; without it a context has no text routines and the text
// operations find their entries empty.
#include "drawing_context.h"

void DrawingTextInstall(DrawingOperations* ops) {
  ops->setFont = nullptr;
  ops->drawText = nullptr;
  ops->drawRotatedText = nullptr;
  ops->textHeight = nullptr;
  ops->textWidth = nullptr;
}
