#pragma once
// The keys of the main screen (icon bar, the two carousel rows) and of a
// running sync, registered with the dispatcher.

class TForm1;
class KeyDispatcher;

void RegisterMainScreenKeys(KeyDispatcher &dispatcher, TForm1 &form);
