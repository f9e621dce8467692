#include "Upload.hpp"

#include "AccountLink.hpp"
#include "Dialogs.hpp"
#include "ErrorReport.hpp"
#include "GSRoot/Array.hpp"
#include "GSRoot/Channel.hpp"
#include "GSRoot/DBPrintf.hpp"
#include "GSRoot/GSException.hpp"
#include "GSRoot/ObjectState.hpp"
#include "HTTP/Client.hpp"
#include "IO/URI.hpp"
#include "KaveloResourceIds.h"
#include "ServiceUrls.hpp"
#include "JSON/JSONConversion.hpp"

#include <exception>
#include <new>

namespace {

constexpr Int32 ConnectionTimeout = 8000; // milliseconds, for each network operation
constexpr GSErrCode UploadFailed = -7005;

constexpr UInt32 Created = 201;
constexpr UInt32 Unauthorized = 401;
constexpr UInt32 PayloadTooLarge = 413;

GS::UniString ImageIdOf(const GS::UniString& firstLine) {
    GS::ObjectState answer;
    JSON::ConvertToObjectState(firstLine, answer);
    GS::UniString imageId;
    answer.Get("id", imageId);
    return imageId;
}

// The debug line of a failed exchange. Formatting the message takes memory; without it the
// report that follows is all the user gets.
void PrintExportError(const GS::UniString& message) {
    try {
        DBPrintf("KAVELO export error: %s\n", message.ToCStr().Get());
    } catch (const std::bad_alloc&) {
    }
}

} // namespace

void UploadImage(const char* dataUrl, const char* linkId) {
    try {
        const IO::URI::URI uri(ServiceBaseUrl);
        HTTP::Client::ClientConnection connection(uri);
        connection.SetTimeout(ConnectionTimeout);
        connection.Connect();
        DBPrintf("Connected to %s\n", uri.GetPath().ToCStr().Get());

        HTTP::Client::Request request(HTTP::MessageHeader::Method::Post, "/api/v1/images",
                                      HTTP::MessageHeader::HTTPVersion::Version11);
        request.GetRequestHeaderFieldCollection().Add("X-Api-Key", linkId);

        GS::ObjectState body;
        body.Add("image", dataUrl);
        body.Add("name", "Archicad export");
        body.Add("source", "archicad");
        GS::UniString json;
        JSON::CreateFromObjectState(body, json, false);
        const GS::UniString::CStr bodyBytes = json.ToCStr();

        connection.Send(request, bodyBytes.Get(), bodyBytes.GetLength());

        HTTP::Client::Response response;
        GS::IBinaryChannel& bodyChannel = connection.BeginReceive(response);
        DBPrintf("HTTP %u\n", response.GetStatusCode());
        DBPrintf("Received data: \n");
        GS::IChannelX channel(bodyChannel, GS::GetNetworkByteOrderIProtocolX());
        GS::UniString answer;
        GS::IBinaryChannelUtilities::ReadUniStringAsUTF8(
            channel, answer, GS::IBinaryChannelUtilities::UntilEndOfChannel, false, false);
        GS::Array<GS::UniString> lines;
        answer.Split("\n", GS::UniString::KeepEmptyParts, &lines);
        for (const GS::UniString& line : lines)
            DBPrintf("%s\n", line.ToCStr().Get());
        connection.FinishReceive();
        connection.Close(false);

        const UInt32 status = response.GetStatusCode();
        if (status == Created) {
            // An empty answer has no first line; its image id stays empty.
            const GS::UniString imageId = lines.IsEmpty() ? GS::UniString() : ImageIdOf(lines[0]);
            DBPrintf("ImageID %s\n", imageId.ToCStr().Get());
            ShowExportSucceeded(imageId);
        } else if (status == Unauthorized) {
            Dialog dialog(KAVELO_DLG_EXPORT_LOGIN);
            dialog.Invoke();
            PromptAccountLink();
        } else if (status == PayloadTooLarge) {
            ErrorReport("The image sent to KAVELO is too big. Try reducing the window size of Archicad.",
                        UploadFailed);
        } else {
            ErrorReport("Unexpected response from KAVELO server", GSErrCode(status));
        }
    } catch (const GS::GSException& e) {
        PrintExportError(e.GetMessage());
        ErrorReport("Error connecting to KAVELO. Check your internet connection and try again", UploadFailed);
    } catch (const std::exception& e) {
        DBPrintf("KAVELO export error: %s\n", e.what());
        ErrorReport("Error on exporting image to KAVELO. Please try again", UploadFailed);
    }
}
