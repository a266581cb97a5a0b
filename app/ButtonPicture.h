#pragma once
#include <QIcon>

namespace kavro::app {

// The conversion button's 24 x 24 picture: two sheets with a blue arrow badge.
QIcon ButtonPicture();

}  // namespace kavro::app
