#include "tests/writers/vdr/vdrTables.h"
#include "writers/vdr/vdr.h"

namespace {

using vdrtables::fillBouquets;

std::string build(const Tables& t) {
    std::string image = "stale";
    BuildResult r = buildVdrImage(t.input(), &image);
    EXPECT_TRUE(r.ok) << r.message;
    return image;
}

}  // namespace

TEST(VdrImage, BouquetsAsGroupsWithEveryField) {
    Tables t;
    fillBouquets(t);
    EXPECT_EQ(build(t),
              ":ARD 19.2E\n"
              "Das Erste HD:11494:HC23M5O35S1:S19.2E:22000:5101=27:5102=deu,5103=eng;5106=deu:"
              "5104:0:10301:1:1089:0\n"
              ":Sky 19.2E\n"
              "Sky| News. Sport. Extra:12188:VC34M2O35S0:S19.2E:27500:160+161=2:120;123=eng@123:"
              "0:500,1800,FFFF:100:1:1090:0\n"
              ":Radio 0.8W\n"
              "Радио Maria:10872:LC910M2N1O35S1:S0.8W:27500:0:257=ita:0:0:2748:70:16:0\n");
}

TEST(VdrImage, VirtualSatellitesAreTheGroups) {
    for (int listType : {1, 2}) {
        Tables t;
        vdrtables::fillVirtualSatellites(t, listType);
        // Without NID and TID the channel is told by frequency and polarisation.
        EXPECT_EQ(build(t),
                  ":News 19.2E\n"
                  "One:11000:RC999M2O35S0:S19.2E:27500:0:0:0:0:1:0:0:0\n"
                  ":Favourites\n"
                  "Two:11000:RC999M2O35S0:S19.2E:27500:0:0:0:0:2:0:0:0\n")
            << "list type " << listType;
    }
}

TEST(VdrJob, WritesUtf8ListAndLogUnderTheDefaultName) {
    Job j;
    fillBouquets(j);
    j.cfg.fileType = 8;
    j.cfg.logFile = 1;
    j.saveInto(j.tmp.path);
    EXPECT_EQ(WriteVDR(j.req()), 0u);
    EXPECT_EQ(fileText(j.tmp.path / "DMlistVDR-20240307.conf"), build(j));
    // The log beside it is UTF-8 too: names unspelled.
    EXPECT_NE(fileText(j.tmp.path / "DMlistVDR-20240307.conf.log").find(" Тор 0.8W"),
              std::string::npos);
    EXPECT_EQ(j.boxes(),
              (std::vector<std::string>{"Message|info|The file was written correctly."}));
}
