#include "content/TextureFileError.h"

#include "core/ErrorText.h"

TextureFileError::TextureFileError(const std::wstring& fileName, const std::string& reason)
    : FatalError(FileNameText(fileName) + ": " + reason) {}

TextureFileError::TextureFileError(const std::wstring& fileName, const std::string& reason, HRESULT result)
    : TextureFileError(fileName, reason + ": " + DescribeResult(result)) {}
