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
}  // namespace

class OptionTabsTest : public QObject {
    Q_OBJECT
private slots:
    // A custom value is loaded and read only with its custom radio checked.
    void customValuesOnlyWithTheirRadio() {
        QImageTab image;
        QSWFInfo in, out;
        in.Img_Aio = 4;
        in.Img_CustomPV = 55;
        image.setImageInfo(&in);
        QVERIFY(image.customQuality()->isEnabled());
        in.Img_Aio = 1;
        in.Img_CustomPV = 5;
        image.setImageInfo(&in);
        QVERIFY(!image.customQuality()->isEnabled());
        QCOMPARE(image.customQuality()->value(), 55);
        out.Img_CustomPV = 70;
        image.getImageInfo(&out);
        QCOMPARE(QList<int>({out.Img_Aio, out.Img_CustomPV}), QList<int>({1, 70}));

        QSoundTab sound;
        in.Audio_e = 2;
        in.Audio_q = 4;
        in.Audio_s = 22;
        in.Audio_b = 96;
        sound.setSoundInfo(&in);
        QVERIFY(sound.rateBox()->isEnabled());
        in.Audio_q = 2;
        in.Audio_s = 44;
        sound.setSoundInfo(&in);
        QCOMPARE(sound.rateBox()->value(), 22);
        QVERIFY(!sound.bitrateBox()->isEnabled());
        out.Audio_s = 11;
        out.Audio_b = 16;
        sound.getSoundInfo(&out);
        QCOMPARE(QList<int>({out.Audio_e, out.Audio_q, out.Audio_s, out.Audio_b}), QList<int>({2, 2, 11, 16}));
        sound.setRadioBtnEncodeChecked(0);
        sound.setRadioBtnQualityChecked(4);
        sound.getSoundInfo(&out);
        QCOMPARE(QList<int>({out.Audio_e, out.Audio_s, out.Audio_b}), QList<int>({0, 22, 96}));
    }

    void videoShapeFontTabsReadBackTheirRecords() {
        QSWFInfo in, out;
        in.VideoPmps_x = 1024;
        in.VideoPmps_y = 768;
        in.Video_q = 4;
        in.Video_CB = 200;
        in.Sha_ForceCCR = 64;
        in.Sha_FontCCR = 8;
        QVideoTab v;
        v.setVideoInfo(&in);
        v.getVideoInfo(&out);
        QShapeTab s;
        s.setShapeInfo(&in);
        QCOMPARE(s.ratio()->spin()->value(), 64);
        s.ratio()->spin()->setValue(12);  // the spin box drives the slider
        s.getShapeInfo(&out);
        QFontTab f;
        f.setFontInfo(&in);
        f.getFontInfo(&out);
        QCOMPARE(QList<int>({out.VideoPmps_x, out.VideoPmps_y, out.Video_q, out.Video_CB, out.Sha_ForceCCR, out.Sha_FontCCR}),
                 QList<int>({1024, 768, 4, 200, 12, 8}));
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
        uitest::writeMovie(src, 1);
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
