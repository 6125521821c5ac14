#include "ui/widgetLang.h"

#include <string>
#include <utility>

#include "config/textFunc.h"

void changeWidgetsLang(T_Widget* w, const LangStruct* m) {
    if (!w || !m) return;
    w->cfgChanged = true;
    if (!w->ui) return;
    const std::pair<HCtl, std::string> captions[] = {
        {w->hGrpSat, fieldText(m->lblSatellites)},
        // The name group loses the name of the satellite it showed.
        {w->hGrpSatName, fieldText(m->lblNoSatSelected)},
        {w->hGrpDish, fieldText(m->lblDishSetup)},
        {w->hGrpPos, fieldText(m->lblDishPosition)},
        {w->hGrpCat, fieldText(m->lblCategories)},
        {w->hGrpLimits, fieldText(m->lblLimits)},
        {w->hGrpListType, fieldText(m->lblListType)},
        {w->hSatFeed, fieldText(m->lblFeedTp)},
        {w->hGenTp, fieldText(m->lblFeedTp)},
        {w->hSortLabel, fieldText(m->lblSortBy)},
        {w->hSortName, fieldText(m->lblName)},
        {w->hSortNation, fieldText(m->lblNation)},
        {w->hBouLabel, fieldText(m->lblBouquetList)},
        {w->hSideLabel, fieldText(m->lblSideBouquet)},
        {w->hMaxBouLabel, fieldText(m->lblMaxBouquets)},
        {w->hMaxCTvLabel, fieldText(m->lblMaxTv)},
        {w->hMaxCRaLabel, fieldText(m->lblMaxRadio)},
        {w->hListCh, fieldText(m->lblBouAsCh)},
        {w->hListBSat, fieldText(m->lblBouAsSat)},
        {w->hListFSat, fieldText(m->lblFavAsSat)},
        {w->hChFake, fieldText(m->lblWriteFake)},
        {w->hLogFile, fieldText(m->lblWriteLog)},
    };
    for (const auto& [c, text] : captions)
        if (c) w->ui->setText(c, text);
}
