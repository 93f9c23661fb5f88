#include "app/main_window.h"

my_window* main_window = nullptr;

my_window::~my_window()
{
    if (main_window == this)
        main_window = nullptr;
}
