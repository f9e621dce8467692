// The platform's floor for an export: posts a ready JSON body through the HTTP host library as the
// add-on's upload does (the 8000 ms time-out, the X-Api-Key field, the whole answer read), so that it
// uses WinHTTP exactly as the library does, options, trust and proxy included, and stays so. Exits 0
// on 201. Used by export-vs-curl.sh.
//
//   WinHttpPost HOST PORT PATH API_KEY BODY_FILE

#include "GSRoot/GSException.hpp"
#include "HTTP/Client.hpp"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: WinHttpPost HOST PORT PATH API_KEY BODY_FILE\n");
        return 2;
    }
    std::ifstream file(argv[5], std::ios::binary | std::ios::ate);
    std::vector<char> body(file ? static_cast<std::size_t>(file.tellg()) : 0);
    if (!file || !file.seekg(0) || !file.read(body.data(), static_cast<std::streamsize>(body.size()))) {
        std::fprintf(stderr, "WinHttpPost: cannot read the body file\n");
        return 1;
    }
    try {
        const std::string origin = std::string("https://") + argv[1] + ":" + argv[2];
        HTTP::Client::ClientConnection connection{IO::URI::URI(origin.c_str())};
        connection.SetTimeout(8000);
        connection.Connect();
        HTTP::Client::Request request(HTTP::MessageHeader::Method::Post, argv[3],
                                      HTTP::MessageHeader::HTTPVersion::Version11);
        request.GetRequestHeaderFieldCollection().Add("X-Api-Key", argv[4]);
        connection.Send(request, body.data(), static_cast<USize>(body.size()));
        HTTP::Client::Response response;
        GS::IBinaryChannel& answer = connection.BeginReceive(response);
        char piece[16 * 1024];
        while (answer.Read(piece, sizeof(piece)) > 0) {
        }
        connection.FinishReceive();
        connection.Close(true);
        std::printf("%u\n", static_cast<unsigned>(response.GetStatusCode()));
        return response.GetStatusCode() == 201 ? 0 : 1;
    } catch (const GS::GSException& exception) {
        std::fprintf(stderr, "WinHttpPost: %s\n", exception.GetMessage().ToCStr().Get());
        return 1;
    }
}
