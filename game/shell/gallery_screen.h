#pragma once
// The gallery of the title menu: thumbnails of the unlocked pictures, the picture shown again,
// and its export in one of two sizes.
namespace horundel {

constexpr int kGalleryPictures = 5;

// Returns when the player leaves the gallery; kQuitResult when the program must end, else 0.
int GalleryScreen();

}  // namespace horundel
