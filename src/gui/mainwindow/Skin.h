#pragma once

// Makes the skin's artwork available; before the form is built.
void registerSkinResources();
