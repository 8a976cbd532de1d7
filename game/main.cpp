#include "game/program.h"

int main() { return klice::run_program(); }
