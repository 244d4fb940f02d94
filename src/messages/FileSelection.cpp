// Placeholder until message file selection lands.
#include "app/Form1.h"
void Form1::chkMsg1_Click() {}
void Form1::chkMsg2_Click() {}
void Form1::chkMsg6_Click() {}
void Form1::Dir1_Change() {}
void Form1::txtDirectory_Change() {}
void Form1::RefreshMessageDirectory() {}
void Form1::SearchMessageFile(int) {}
