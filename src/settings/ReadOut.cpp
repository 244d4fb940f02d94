// Placeholder until the read-out lands.
#include "app/Form1.h"
void Form1::cmdReadValues_Click() {}
void Form1::ReadAllValues() {}
