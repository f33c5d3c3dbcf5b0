// The option tabs: loading and reading records, the custom controls that
// follow their radio, and the coupling with the resource list and the preset
// selector of the main window.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>

#include "core/enginestate.h"
#include "main/bridge.h"
#include "settings/shrinkwell.h"
#include "settings/swfinfo.h"
#include "ui/fonttab.h"
#include "ui/imagetab.h"
#include "ui/playersize.h"
#include "ui/resourcelist.h"
#include "ui/shapetab.h"
#include "ui/sliderspin.h"
#include "ui/soundtab.h"
#include "ui/swfwindow.h"
#include "ui/videotab.h"
#include "uitest.h"
#include "widgets/imagebutton.h"

namespace {
// Moves a resource-list slider the way a mouse drag ends.
void release(QSlider* s, int value) {
    s->setSliderDown(true);
    s->setValue(value);
    s->setSliderDown(false);
}

// Fields of a record by their stored names.
using Fields = std::vector<std::pair<const char*, int>>;
int fieldIndex(const char* name) {
    for (int i = 0; i < QSWFInfo::FIELD_COUNT; ++i)
        if (qstrcmp(QSWFInfo::fieldName(i), name) == 0) return i;
    qFatal("no field %s", name);
}
QSWFInfo record(const Fields& fields) {
    QSWFInfo r;
    for (const auto& [name, value] : fields) r.setField(fieldIndex(name), value);
    return r;
}
bool hasFields(const QSWFInfo& r, const Fields& fields) {
    bool ok = true;
    for (const auto& [name, value] : fields)
        if (r.field(fieldIndex(name)) != value) {
            qWarning("%s is %d, not %d", name, r.field(fieldIndex(name)), value);
            ok = false;
        }
    return ok;
}
}  // namespace

class OptionTabsTest : public QObject {
    Q_OBJECT
private slots:
    void imageTabRoundTrip() {
        QImageTab tab;
        const Fields image{{"ImgPmps_x", 800}, {"ImgPmps_y", 600}, {"Img_Dm", 1}, {"Img_Ftoj", 0}, {"Img_Diia", 1},
                           {"Img_Icso", 0}, {"Img_Iaco", 1}, {"Img_ForceZip", 33}, {"Img_Aio", 4}, {"Img_CustomPV", 55}};
        QSWFInfo in = record(image), out;
        QSignalSpy changed(&tab, &QOptionTab::CustomChanged);
        QSignalSpy slider(&tab, &QImageTab::SliderChanged);
        tab.setImageInfo(&in);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(slider.count(), 0);
        QVERIFY(tab.customQuality()->isEnabled());
        tab.getImageInfo(&out);
        QVERIFY(hasFields(out, image));

        // Without the custom radio the custom value is neither loaded nor read.
        in.Img_Aio = 1;
        in.Img_CustomPV = 5;
        tab.setImageInfo(&in);
        QVERIFY(!tab.customQuality()->isEnabled());
        QCOMPARE(tab.customQuality()->value(), 55);
        out.Img_CustomPV = 70;
        tab.getImageInfo(&out);
        QCOMPARE(out.Img_Aio, 1);
        QCOMPARE(out.Img_CustomPV, 70);

        // A user change announces itself once and moves the quality slider.
        tab.qualityGroup()->button(3)->click();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(slider.count(), 1);
        QCOMPARE(slider.at(0).at(0).toInt(), 3);
    }

    void soundTabKeepsCustomRatesOutsideCustom() {
        QSoundTab tab;
        QSWFInfo r = record({{"Audio_e", 2}, {"Audio_q", 4}, {"Audio_s", 22}, {"Audio_b", 96}, {"Audio_Mono", 0}});
        tab.setSoundInfo(&r);
        QVERIFY(tab.rateBox()->isEnabled());
        r = record({{"Audio_e", 2}, {"Audio_q", 2}, {"Audio_s", 44}, {"Audio_b", 128}, {"Audio_Mono", 0}});
        tab.setSoundInfo(&r);
        QCOMPARE(tab.rateBox()->value(), 22);
        QCOMPARE(tab.bitrateBox()->value(), 96);
        QVERIFY(!tab.rateBox()->isEnabled());
        QVERIFY(!tab.bitrateBox()->isEnabled());
        QSWFInfo out = record({{"Audio_s", 11}, {"Audio_b", 16}});
        tab.getSoundInfo(&out);
        QVERIFY(hasFields(out, {{"Audio_e", 2}, {"Audio_q", 2}, {"Audio_s", 11}, {"Audio_b", 16}, {"Audio_Mono", 0}}));
        tab.setRadioBtnEncodeChecked(0);
        tab.setRadioBtnQualityChecked(4);
        QVERIFY(tab.bitrateBox()->isEnabled());
        tab.getSoundInfo(&out);
        QVERIFY(hasFields(out, {{"Audio_e", 0}, {"Audio_s", 22}, {"Audio_b", 96}}));
    }

    void videoShapeFontTabs() {
        const Fields video{{"VideoPmps_x", 1024}, {"VideoPmps_y", 768}, {"Video_q", 4}, {"Video_CB", 200}};
        const Fields shape{{"Sha_ForceCCR", 64}, {"Sha_Imo", 1}, {"Sha_Idup", 0}, {"Sha_Hifi", 0}, {"Sha_PenOpt", 1},
                           {"Sha_ForceStraight", 1}};
        const Fields font{{"Sha_FontCCR", 8}, {"Sha_FontHifi", 0}};
        Fields all = video;
        all.insert(all.end(), shape.begin(), shape.end());
        all.insert(all.end(), font.begin(), font.end());
        QSWFInfo in = record(all);
        QSWFInfo out;
        QVideoTab v;
        v.setVideoInfo(&in);
        v.getVideoInfo(&out);
        QVERIFY(hasFields(out, video));
        v.sizeSelector()->widthBox()->setCurrentIndex(0);
        QVERIFY(v.widthIsStageSize());

        QShapeTab s;
        s.setShapeInfo(&in);
        QCOMPARE(s.ratio()->spin()->value(), 64);
        s.getShapeInfo(&out);
        QVERIFY(hasFields(out, shape));
        s.ratio()->spin()->setValue(12);  // the spin box drives the slider
        s.getShapeInfo(&out);
        QCOMPARE(out.Sha_ForceCCR, 12);

        QFontTab f;
        f.setFontInfo(&in);
        f.getFontInfo(&out);
        QVERIFY(hasFields(out, font));
        QCOMPARE(f.ratio()->slider()->maximum(), 32);
    }

    void windowSliderRadioCoupling() {
        QSWFWindow w;
        QResourceList* res = w.resourceList();
        // Tabs wait for a movie with such resources; these clicks stand for the user's.
        for (QWidget* tab : std::initializer_list<QWidget*>{w.imageTab(), w.soundTab(), w.videoTab()}) tab->setEnabled(true);
        release(res->slider(RES_IMAGE), 20);
        QCOMPARE(w.imageTab()->getRadioBtnChecked(), 0);  // "Best quality"
        release(res->slider(RES_IMAGE), 21);
        QCOMPARE(w.imageTab()->getRadioBtnChecked(), 1);  // "Good quality"
        QCOMPARE(res->slider(RES_IMAGE)->value(), 40);
        w.soundTab()->qualityGroup()->button(2)->click();  // "Normal quality"
        QCOMPARE(res->slider(RES_SOUND)->value(), 54);
        release(res->slider(RES_SOUND), 90);
        QCOMPARE(w.soundTab()->getRadioBtnQualityChecked(), 4);
        w.videoTab()->qualityGroup()->button(3)->click();
        QCOMPARE(res->slider(RES_VIDEO)->value(), 75);
        release(res->slider(RES_VIDEO), 45);
        QCOMPARE(w.videoTab()->getRadioBtnChecked(), 2);
        QCOMPARE(res->row(RES_IMAGE)->label()->text(), QString(" 40%"));

        // Shape and font ratios are mirrored both ways.
        res->slider(RES_SHAPE)->setValue(35);
        QCOMPARE(w.shapeTab()->ratio()->value(), 35);
        w.shapeTab()->ratio()->spin()->setValue(77);
        QCOMPARE(res->slider(RES_SHAPE)->value(), 77);
        w.fontTab()->ratio()->setValue(9);
        QCOMPARE(res->slider(RES_FONT)->value(), 9);
        res->slider(RES_FONT)->setValue(30);
        QCOMPARE(w.fontTab()->ratio()->spin()->value(), 30);
    }

    void tabEditsSelectCustomWithoutLoadingIt() {
        QSWFWindow w;
        QComboBox* presets = w.presetSelector();
        QCOMPARE(presets->count(), 6);
        QCOMPARE(presets->itemText(0), QString("Best"));
        QCOMPARE(presets->itemText(5), QString("Custom"));
        presets->setCurrentIndex(1);  // "Good": image quality radio 1
        QCOMPARE(w.imageTab()->getRadioBtnChecked(), 1);
        QVERIFY(!w.saveButton()->isEnabled());
        QVERIFY(!presets->isEditable());
        w.shapeTab()->ratio()->setValue(55);
        QCOMPARE(presets->currentIndex(), 5);
        // The tabs keep the user's values, not the Custom record's.
        QCOMPARE(w.shapeTab()->ratio()->value(), 55);
        QCOMPARE(w.imageTab()->getRadioBtnChecked(), 1);
        QVERIFY(w.saveButton()->isEnabled());
        QVERIFY(!w.removeButton()->isEnabled());
        QVERIFY(presets->isEditable());
        // Loading a preset into the tabs is not an edit.
        presets->setCurrentIndex(2);
        QCOMPARE(presets->currentIndex(), 2);
    }

    void savingAndRemovingUserSettings() {
        QSWFWindow w;
        QComboBox* presets = w.presetSelector();
        presets->setCurrentIndex(5);
        w.shapeTab()->ratio()->setValue(42);
        presets->setEditText("My small <files>");
        w.pbtnSaveClicked();
        QCOMPARE(presets->count(), 7);
        QCOMPARE(presets->currentIndex(), 6);
        QCOMPARE(presets->currentText(), QString("My small <files>"));
        QCOMPARE(w.settings()->CustomCount(), 1);
        QCOMPARE(w.settings()->getCustomItem(0)->Sha_ForceCCR, 42);
        QCOMPARE(w.settings()->getCustomItem(0)->isDelete, 1);
        QVERIFY(w.removeButton()->isEnabled());

        // Same name again: asked, and "Overwrite" stores the new values.
        w.shapeTab()->ratio()->setValue(43);
        uitest::whenModal<QMessageBox>([](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                if (b->text() == "Overwrite") b->click();
        });
        w.pbtnSaveClicked();
        QCOMPARE(w.settings()->CustomCount(), 1);
        QCOMPARE(w.settings()->getCustomItem(0)->Sha_ForceCCR, 43);

        // A built-in name is refused.
        presets->setEditText("Best");
        uitest::answerNextBox(QMessageBox::Ok);
        w.pbtnSaveClicked();
        QCOMPARE(presets->count(), 7);
        QCOMPARE(w.settings()->getBuiltinItem(0)->isDelete, 0);

        presets->setCurrentIndex(6);
        uitest::answerNextBox(QMessageBox::Yes);
        w.pbtnRemoveClicked();
        QCOMPARE(presets->count(), 6);
        QCOMPARE(w.settings()->CustomCount(), 0);
    }

    // Every control whose field the engine reads, changed alone from Best,
    // reaches the engine's record through the tabs and the bridge; the values
    // only presets set ride along.
    void everyControlReachesTheEngine() {
        QTemporaryDir dir;
        const QString src = dir.filePath("m.swf"), out = dir.filePath("m_compressed.swf");
        swfb::Movie m;
        m.tags = {swfb::rectshape(1, 400, 300, 10, 20, 30), swfb::place2(1, 1, 0, 0), swfb::showframe()};
        QVERIFY(swfb::writefile(QFile::encodeName(src).toStdString(), swfb::build(m)));
        QImageTab image;
        QShapeTab shape;
        QFontTab font;
        QSoundTab sound;
        QVideoTab video;
        const Tparams best = findpreset("Best")->params;
        struct Row {
            QWidget* tab;
            const char* control;
            int32_t Tparams::*field;
        };
        const Row rows[] = {
            {&image, "Delete metadata", &Tparams::Img_Dm},
            {&image, "Force to jpeg", &Tparams::Img_Ftoj},
            {&image, "Delete invisible area", &Tparams::Img_Diia},
            {&image, "Intelligent color smooth optimization", &Tparams::Img_Icso},
            {&image, "intelligent alpha channel optimization", &Tparams::Img_Iaco},
            {&shape, "Intelligent morphing optimization", &Tparams::Sha_Imo},
            {&shape, "Intelligent delete useless points", &Tparams::Sha_Idup},
            {&shape, "Line optimization", &Tparams::Sha_PenOpt},
            {&shape, "Edge detail optimization", &Tparams::Sha_ForceStraight},
            {&font, "Quality optimization", &Tparams::Sha_FontHifi},
            {&sound, "Advanced ABR encoding(average bitrate)", &Tparams::Audio_e},
            {&video, nullptr, &Tparams::VideoPmps_x},
        };
        for (const Row& row : rows) {
            QSWFInfo info;
            info.setParams(best);
            image.setImageInfo(&info);
            shape.setShapeInfo(&info);
            font.setFontInfo(&info);
            sound.setSoundInfo(&info);
            video.setVideoInfo(&info);
            if (row.control) {
                QAbstractButton* control = nullptr;
                for (auto* b : row.tab->findChildren<QAbstractButton*>())
                    if (b->text() == row.control) control = b;
                QVERIFY2(control, row.control);
                control->click();
            } else {
                video.sizeSelector()->setSize(1024, 768);
            }
            image.getImageInfo(&info);
            shape.getShapeInfo(&info);
            font.getFontInfo(&info);
            sound.getSoundInfo(&info);
            video.getVideoInfo(&info);
            Tparams p{};
            CopySWfInfoToCompress(&info, p);
            CompressSWF(src, dir.path(), p, nullptr, out, nullptr, nullptr, 0);
            Tparams want = best;
            want.*row.field = row.control ? (row.field == &Tparams::Audio_e ? 2 : !(best.*row.field)) : 1024;
            if (!row.control) want.VideoPmps_y = 768;
            for (int32_t Tparams::*f : {&Tparams::Img_Dm, &Tparams::Img_Ftoj, &Tparams::Img_Diia, &Tparams::Img_Icso,
                                        &Tparams::Img_Iaco, &Tparams::Sha_Imo, &Tparams::Sha_Idup, &Tparams::Sha_PenOpt,
                                        &Tparams::Sha_PenAngle, &Tparams::Sha_ForceStraight,
                                        &Tparams::Sha_ForceStraightValue, &Tparams::Sha_ForceCurAngle,
                                        &Tparams::Sha_FontHifi, &Tparams::Audio_e, &Tparams::VideoPmps_x,
                                        &Tparams::VideoPmps_y})
                QVERIFY2(CCparams.*f == want.*f, qPrintable(QString("%1: %2").arg(row.control).arg(paramfield(f).name)));
        }
    }
};

UITEST_MAIN(OptionTabsTest)
#include "optiontabs_test.moc"
