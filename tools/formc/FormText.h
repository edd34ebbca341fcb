// The text form of a form description ("object Name: TClass ... end") and the form compiler's
// steps: parse it into the stream model, attach pictures, write the binary stream.
#pragma once

#include "FormStream.h"

#include <iosfwd>
#include <string>
#include <vector>

// Malformed text; the message starts with "file:line:column: ".
class EFormTextError : public Exception {
public:
    using Exception::Exception;
};

// Parses one root component. fileName only labels messages. Text outside string literals must be
// ASCII; anything else is written with #nnn codes.
TFormObject ParseFormText(const std::string& text, const std::string& fileName);

// The component called name anywhere in the tree (the root included), or nullptr.
TFormObject* FindComponent(TFormObject& root, const std::string& name);

enum class TPictureKind { Bitmap, Icon };

// Picture kind from the file name's extension (.bmp, .ico); throws Exception otherwise.
TPictureKind PictureKindForFile(const std::string& path);

// Payload of a Picture.Data property: the graphic's class name as a short string, then for a
// bitmap a 4-byte size and the .bmp file, for an icon the .ico file as is. Throws Exception when
// the bytes are not a file of that kind.
std::string MakePictureData(TPictureKind kind, const std::string& fileBytes);

// Sets (or replaces) the component's Picture.Data. Throws Exception if there is no such component.
void SetPicture(TFormObject& root, const std::string& component, const std::string& data);

// The formc program: formc INPUT.dfm OUTPUT.bin [--picture Component=FILE]...
// Returns the exit status; messages go to err. The output appears complete or not at all.
int RunFormc(const std::vector<std::string>& args, std::ostream& err);
