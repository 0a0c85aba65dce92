#pragma once
// The images of the commands: the desktop theme's icon where it has one, otherwise one drawn
// here (the program ships no image files).
#include <QIcon>

enum class CommandImage { open, save, connect, unit_options, link_options, print };

QIcon command_icon(CommandImage image);
