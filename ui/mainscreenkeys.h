#pragma once
// The keys of the icon bar and of a running sync, registered with the
// dispatcher (the carousel rows have their own table, ui/carouselkeys.h).

class TForm1;
class KeyDispatcher;

void RegisterMainScreenKeys(KeyDispatcher &dispatcher, TForm1 &form);
