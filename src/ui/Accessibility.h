#pragma once

// Screen readers name a combo box by its label (its accessible name or buddy label), not by
// the value it currently shows, and still read the value as its value. Installs that for
// every combo box of the process; call it before any combo box is asked for its name.
void InstallAccessibleNames();
