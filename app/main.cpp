// Stampwork's entry point.
#include "stampwork.h"

int main() { StampworkMain(); }
