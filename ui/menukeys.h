#pragma once
// The keys of the option menus (modes 28, 38 to 41, 49) and of the search
// overlay (modes 36, 37), registered with the dispatcher.

class KeyDispatcher;
class TForm1;

void RegisterMenuKeys(KeyDispatcher &dispatcher, TForm1 &form);
