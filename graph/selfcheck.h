#pragma once

class Graf;

// Re-initialises `graf` as the 4 x 3 test grid and prints the self-check report.
void runGraphSelfCheck(Graf &graf);
