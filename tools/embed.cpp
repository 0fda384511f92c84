// Writes a C++ source file that holds files as constant byte arrays.
//
//   okandu-embed OUTPUT.cpp HEADER NAMESPACE NAME=FILE...
//
// Each NAME becomes `extern const std::span<const std::uint8_t> NAME` in
// NAMESPACE, as the HEADER declares it.

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::cerr << "usage: okandu-embed OUTPUT.cpp HEADER NAMESPACE NAME=FILE...\n";
        return 2;
    }
    std::ostringstream out;
    out << "// Generated at build time from the asset files. Do not edit.\n"
        << "#include \"" << argv[2] << "\"\n\nnamespace " << argv[3] << " {\nnamespace {\n";
    std::vector<std::string> names;
    for (int i = 4; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto eq = arg.find('=');
        if (eq == std::string::npos) {
            std::cerr << "okandu-embed: expected NAME=FILE, got " << arg << '\n';
            return 2;
        }
        const std::string name = arg.substr(0, eq);
        std::ifstream in(arg.substr(eq + 1), std::ios::binary);
        if (!in) {
            std::cerr << "okandu-embed: cannot read " << arg.substr(eq + 1) << '\n';
            return 1;
        }
        const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
        out << "alignas(16) const std::uint8_t " << name << "Data[" << (bytes.empty() ? 1 : bytes.size()) << "] = {";
        for (std::size_t j = 0; j < bytes.size(); ++j)
            out << (j % 24 == 0 ? "\n    " : "") << static_cast<unsigned>(bytes[j]) << ',';
        out << "\n};\nconstexpr std::size_t " << name << "Size = " << bytes.size() << ";\n";
        names.push_back(name);
    }
    out << "} // namespace\n\n";
    for (const auto& name : names)
        out << "extern const std::span<const std::uint8_t> " << name << "{" << name << "Data, " << name << "Size};\n";
    out << "} // namespace " << argv[3] << '\n';

    std::ofstream file(argv[1], std::ios::binary);
    file << out.str();
    return file ? 0 : 1;
}
