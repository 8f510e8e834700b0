#pragma once
// The editor's own icon set, drawn at run time so that every size is sharp and no image
// files have to be shipped. Indices follow the ribbon's image lists.

#include <QIcon>

enum class XalImageList {
    Panel,     // small panel images (close, help, information, ...)
    Ribbon,    // button images of the application menu and the "&Editor" category
    AppButton, // the application button
};

// Icon of image index in list, drawn at each size when first shown; a null icon for index < 0.
QIcon XalRibbonIcon(XalImageList list, int index);
// Number of distinct images in a list (indices 0 to count-1 draw something of their own).
int XalImageCount(XalImageList list);
