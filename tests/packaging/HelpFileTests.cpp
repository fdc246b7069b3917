// The built help file, read through the platform's HTML Help: its storage
// (the same reader the help viewer uses) for the contents, the pages and the
// images they show, and the viewer itself for every page the program opens.
#include "app/Help.h"
#include "base/Strings.h"
#include "HelpStorage.h"

#include <gtest/gtest.h>
#include <htmlhelp.h>
#include <ole2.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{
using namespace helptest;

bool IsLocalLink(const std::string& link)
{
    return !link.empty() && link.find(':') == std::string::npos && link[0] != '#';
}
} // namespace

TEST(HelpFile, EveryPageAndImageTheContentsAndIndexNameIsInTheFile)
{
    HelpStorage help(BuiltHelpFile());
    ASSERT_TRUE(help.IsOpen()) << zv::ToUtf8(BuiltHelpFile());
    std::map<int, std::string> system = SystemEntries(help);
    EXPECT_EQ(system[3], "Zorvane Help");
    ASSERT_FALSE(system[0].empty());
    ASSERT_FALSE(system[1].empty());
    ASSERT_TRUE(help.Has(system[2])) << "default topic " << system[2];

    std::string contents, index;
    ASSERT_TRUE(help.Read(system[0], contents));
    ASSERT_TRUE(help.Read(system[1], index));
    std::vector<std::string> pages = SitemapTargets(contents);
    ASSERT_GE(pages.size(), 18u);
    std::vector<std::string> keywords = SitemapTargets(index);
    EXPECT_GE(keywords.size(), 20u);
    pages.insert(pages.end(), keywords.begin(), keywords.end());

    std::vector<std::string> missing;
    std::set<std::string> checked;
    size_t images = 0;
    for (const std::string& page : pages)
    {
        std::string html;
        if (!help.Read(page, html))
        {
            missing.push_back("page " + page);
            continue;
        }
        if (!checked.insert(page).second)
            continue;
        for (const std::string& image : AttributeValues(html, "src"))
        {
            ++images;
            std::string bytes;
            if (!help.Read(image, bytes))
                missing.push_back(page + ": image " + image);
            else if (bytes.size() < 8 || bytes.compare(1, 3, "PNG") != 0)
                missing.push_back(page + ": image " + image + " is no PNG");
        }
        for (const std::string& link : AttributeValues(html, "href"))
        {
            if (!IsLocalLink(link))
                continue;
            std::string target = link.substr(0, link.find('#'));
            std::string linked;
            if (!help.Read(target, linked))
                missing.push_back(page + ": link " + link);
            else if (link.find('#') != std::string::npos)
            {
                std::string anchor = link.substr(link.find('#') + 1);
                if (linked.find("id=\"" + anchor + "\"") == std::string::npos)
                    missing.push_back(page + ": anchor " + link);
            }
        }
    }
    EXPECT_GE(images, 5u);
    std::string report;
    for (const std::string& line : missing)
        report += line + "\n";
    EXPECT_TRUE(missing.empty()) << report;
}

TEST(HelpFile, EveryContextsPageIsNamedByTheContentsAndOpensInTheViewer)
{
    const std::wstring file = BuiltHelpFile();
    HelpStorage help(file);
    ASSERT_TRUE(help.IsOpen());
    std::map<int, std::string> system = SystemEntries(help);
    std::string contents;
    ASSERT_TRUE(help.Read(system[0], contents));
    std::vector<std::string> pages = SitemapTargets(contents);
    std::set<std::string> named(pages.begin(), pages.end());

    std::vector<std::string> failures;
    ASSERT_GE(HelpTopics().size(), 13u);
    for (const HelpTopic& topic : HelpTopics())
    {
        std::string page = zv::ToUtf8(topic.page);
        if (!named.count(page) || !help.Has(page))
            failures.push_back(
                zv::ToUtf8(zv::Format(L"context %#x: ", static_cast<unsigned>(topic.context))) + page +
                " is not in the file's contents");
        // One viewer window takes each page in turn.
        if (!HtmlHelpW(nullptr, (file + L"::/" + topic.page).c_str(), HH_DISPLAY_TOPIC, 0))
            failures.push_back(page + ": no help window");
    }
    HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0);
    std::string report;
    for (const std::string& line : failures)
        report += line + "\n";
    EXPECT_TRUE(failures.empty()) << report;
    // The start page the main window shows.
    EXPECT_EQ(system[2], "index.htm");
}
