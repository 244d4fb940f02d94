// Placeholder until the programming run lands.
#include "app/Form1.h"
void Form1::Command3_Click() {}
