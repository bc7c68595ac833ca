// The program's icon resources (our own SVG images, embedded in the program) and icon files.
#pragma once

#include <QIcon>
#include <QString>

#include "ui/logic/dialog_host.h"

// Registers the embedded images; call once before the first IconFromRef.
void InitIconResources();

// Resource path of icon resource `id` (":/icons/128.svg"); empty for an unknown id.
QString IconResourcePath(int id);

// The image `icon` names: an embedded resource or a file; a null QIcon when it names neither.
QIcon IconFromRef(const IconRef& icon);
