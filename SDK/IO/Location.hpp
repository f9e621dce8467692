#pragma once

#include "GSRoot/UniString.hpp"

namespace IO {

// One path component: a file or folder name.
class Name {
public:
    explicit Name(const GS::UniString& name);
    Name(const Name& source);
    ~Name();

    const GS::UniString& ToString() const { return name; }

private:
    GS::UniString name;
};

// A place in the file system. The empty location names nothing; every operation on it fails.
class Location {
public:
    Location();
    explicit Location(const GS::UniString& path);
    // Empty when the folder is empty or the name is not one path component (empty, ".", "..",
    // or holding "/" or a zero character).
    Location(const Location& folder, const Name& name);
    Location(const Location& source);
    Location& operator=(const Location& source);
    ~Location();

    bool IsEmpty() const;
    const GS::UniString& ToPath() const { return path; } // "/" separated, as given; empty when empty

private:
    GS::UniString path;
};

} // namespace IO
