#pragma once

#include <stdexcept>
#include <string>

namespace stowfolio {

// A file that could not be kept with an item, or a kept file that could not be read. The
// message names the file and says why in the user's words ("/home/ann/tv.jpg: is a folder, not
// a file"); nothing was added when it is thrown.
class AttachmentError : public std::runtime_error
{
public:
    explicit AttachmentError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace stowfolio
