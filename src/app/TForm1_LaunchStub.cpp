#include "TForm1.h"

void TForm1::JoinSelectedServer() {}
void TForm1::StartAutoJoin(QTreeView*) {}
