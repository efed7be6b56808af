// Gadgets.
#pragma once

void GadgetInit();
void GadgetShutdown();
