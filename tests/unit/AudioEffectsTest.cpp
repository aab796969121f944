// The audio effects' table against what lives outside the compiler's reach: the
// dialog template in the resource script, the numbers in resource.h and the keys of
// the shipped language file. Also the holders a command keeps around its modal window.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "audio/AudioEffects.h"
#include "tests/unit/AudioTestSupport.h"

namespace {

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(COMPANION_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "#define NAME number" lines of resource.h.
std::map<std::string, int> ResourceNumbers() {
    std::map<std::string, int> numbers;
    std::istringstream header(ReadSource("resources/resource.h"));
    std::string line;
    while (std::getline(header, line)) {
        std::istringstream fields(line);
        std::string directive, name;
        int number = 0;
        if (fields >> directive >> name >> number && directive == "#define") {
            numbers[name] = number;
        }
    }
    return numbers;
}

// The automatic check boxes of dialog 133 in the resource script: control number by
// text (-1 for a name resource.h does not define).
std::map<std::string, int> TemplateBoxes() {
    const std::map<std::string, int> numbers = ResourceNumbers();
    std::istringstream script(ReadSource("resources/companion.rc"));
    std::map<std::string, int> boxes;
    std::string line;
    bool inDialog = false;
    while (std::getline(script, line)) {
        if (line.rfind("IDD_AUDIO_PROPERTY DIALOGEX", 0) == 0) {
            inDialog = true;
        } else if (inDialog && line.rfind("END", 0) == 0) {
            break;
        } else if (inDialog && line.find("AUTOCHECKBOX") != std::string::npos) {
            // AUTOCHECKBOX "text", NAME, x, y, ...
            const std::size_t open = line.find('"');
            const std::size_t close = line.find('"', open + 1);
            const std::size_t nameBegin = line.find_first_not_of(", ", close + 1);
            const std::size_t nameEnd = line.find(',', nameBegin);
            if (open == std::string::npos || close == std::string::npos || nameBegin == std::string::npos) {
                ADD_FAILURE() << line;
                continue;
            }
            const auto number = numbers.find(line.substr(nameBegin, nameEnd - nameBegin));
            boxes[line.substr(open + 1, close - open - 1)] = number != numbers.end() ? number->second : -1;
        }
    }
    EXPECT_TRUE(inDialog);
    return boxes;
}

}  // namespace

TEST(AudioEffects, EachRowIsABoxOfTheTemplateWithItsText) {
    const std::map<std::string, int> boxes = TemplateBoxes();
    EXPECT_EQ(boxes.size(), audio::kAudioEffectCount);
    for (const audio::AudioEffect& effect : audio::kAudioEffects) {
        const auto box = boxes.find(effect.text);
        ASSERT_NE(box, boxes.end()) << effect.textKey;
        EXPECT_EQ(box->second, effect.controlId) << effect.textKey;
    }
}

TEST(AudioEffects, TheShippedEnglishFileNamesEveryKey) {
    const std::string english = ReadSource("resources/dist/Language/English.ini");
    const std::size_t section = english.find("[AudioProperty]");
    ASSERT_NE(section, std::string::npos);
    for (const audio::AudioEffect& effect : audio::kAudioEffects) {
        EXPECT_NE(english.find("\n" + std::string(effect.textKey) + "=", section), std::string::npos) << effect.textKey;
    }
}

TEST(AudioEffects, RowsAsTheDeviceAndTheDialogKnowThem) {
    struct Case {
        int controlId;
        std::uint32_t request;  // the device's numbering
        std::int32_t audio::AudioInterfaceEntry::*state;
        std::size_t queryOrder;  // BF, AEC, NS
    };
    const Case cases[] = {
        {IDC_AUDIO_AEC, testing_support::kEffectAEC, &audio::AudioInterfaceEntry::AEC, 1},
        {IDC_AUDIO_NS, testing_support::kEffectNS, &audio::AudioInterfaceEntry::NS, 2},
        {IDC_AUDIO_BF, testing_support::kEffectBF, &audio::AudioInterfaceEntry::BF, 0},
    };
    for (const Case& c : cases) {
        const audio::AudioEffect* effect = audio::EffectOfControl(static_cast<std::uint32_t>(c.controlId));
        ASSERT_NE(effect, nullptr) << c.controlId;
        EXPECT_EQ(effect->request, c.request) << c.controlId;
        EXPECT_TRUE(effect->state == c.state) << c.controlId;
        EXPECT_EQ(audio::EffectQueriedAt(c.queryOrder), effect) << c.controlId;
    }
    // Neither the other controls of the dialog nor a place past the last are effects.
    for (std::uint32_t other : {0u, 1u, 2u, static_cast<std::uint32_t>(IDC_AUDIO_DEVICE), 1011u}) {
        EXPECT_EQ(audio::EffectOfControl(other), nullptr) << other;
    }
    EXPECT_EQ(audio::EffectQueriedAt(audio::kAudioEffectCount), nullptr);
}
