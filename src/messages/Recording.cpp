// Placeholder until the recording timer lands.
#include "app/Form1.h"
void Form1::RecordingStep() {}
