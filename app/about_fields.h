// The About window's fields Stampwork stores at start-up.
#pragma once

// Registers title, logo, program, version, comment, website and credits, in that order.
void AboutStoreFields();
