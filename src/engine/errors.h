// The exception types of the core. Front ends catch Kt58Error and show its text.
#pragma once

#include <stdexcept>
#include <string>

namespace kt58 {

class Kt58Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An operation abandoned on purpose; the front ends end it without a
// message (a resource made for a file that does not exist).
class EAbort : public Kt58Error {
 public:
  EAbort() : Kt58Error("Operation aborted") {}
};

// A picture whose size is negative or too large to hold.
class EPictureSize : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

// A BMP image that cannot be read; the text names the source and the fault.
class EBmpError : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

}  // namespace kt58

namespace kt58 {

// An embedded frame store whose record does not hold together.
class EStoreFormat : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

// A JPEG file that cannot be decoded or written.
class EJpegError : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

// A GIF file that cannot be decoded.
class EGifDecode : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

}  // namespace kt58
