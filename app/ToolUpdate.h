#pragma once

class MainWindow;

// Before the window is shown: when the release server offers a newer tool and the
// user agrees, starts the updater. True when it was started and the tool must end.
bool offerToolUpdate(MainWindow &window);
