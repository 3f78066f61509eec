-- Pravel-Tormin database schema (MariaDB / MySQL).
-- Applied into an existing schema by scripts/db and by the test fixture;
-- every statement is idempotent so that a newer file can be applied again.
-- Table and column names are the ones the program sends, spelling included.

-- ---------------------------------------------------------------- species --
CREATE TABLE IF NOT EXISTS `species` (
  `speciesID` INT NOT NULL AUTO_INCREMENT,
  `group` VARCHAR(64) NOT NULL DEFAULT '',
  `name` VARCHAR(255) NOT NULL DEFAULT '',
  `name_latein` VARCHAR(255) NOT NULL DEFAULT '',
  `grasslandtyp_nr` INT NOT NULL DEFAULT 0,
  `spatial_water_requirement` DOUBLE NOT NULL DEFAULT 0,
  `spatial_settlement_requirement` DOUBLE NOT NULL DEFAULT 0,
  `spatial_forest_requirement` DOUBLE NOT NULL DEFAULT 0,
  `last_monthquarter_substitut_brood` INT NOT NULL DEFAULT 0,
  `probability_succeccful_sub_brood` DOUBLE NOT NULL DEFAULT 0,
  `critical_reproduction_period` INT NOT NULL DEFAULT 0,
  `reproduction_period` INT NOT NULL DEFAULT 0,
  `vegetation_requirement_short` DOUBLE NOT NULL DEFAULT 0,
  `vegetation_requirement_medium` DOUBLE NOT NULL DEFAULT 0,
  `vegetation_requirement_tall` DOUBLE NOT NULL DEFAULT 0,
  `soil_moisture_requir_dry` DOUBLE NOT NULL DEFAULT 0,
  `soil_moisture_requir_fresh` DOUBLE NOT NULL DEFAULT 0,
  `soil_moisture_requir_wet` DOUBLE NOT NULL DEFAULT 0,
  `dispersal_capability` DOUBLE NOT NULL DEFAULT 0,
  `trampling_mortality_typ` DOUBLE NOT NULL DEFAULT 0,
  `second_generation_start` INT NOT NULL DEFAULT 0,
  `second_generation_end` INT NOT NULL DEFAULT 0,
  `name_editor` VARCHAR(255) NOT NULL DEFAULT '',
  `praedation` DOUBLE NOT NULL DEFAULT 1,
  `WES` DOUBLE NOT NULL DEFAULT 0,
  `WOLA` DOUBLE NOT NULL DEFAULT 0,
  `WKLA` DOUBLE NOT NULL DEFAULT 0,
  `percent_for_overlap` DOUBLE NOT NULL DEFAULT 0,
  -- Microsecond precision: two versions saved within one second stay apart.
  `savetime` DATETIME(6) NOT NULL DEFAULT CURRENT_TIMESTAMP(6),
  PRIMARY KEY (`speciesID`),
  KEY `species_name_savetime` (`name`, `savetime`),
  KEY `species_group` (`group`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `quarter_month_eggs` (
  `speciesID` INT NOT NULL,
  `MV1` DOUBLE NOT NULL DEFAULT 0, `MV2` DOUBLE NOT NULL DEFAULT 0, `MV3` DOUBLE NOT NULL DEFAULT 0, `MV4` DOUBLE NOT NULL DEFAULT 0,
  `MV5` DOUBLE NOT NULL DEFAULT 0, `MV6` DOUBLE NOT NULL DEFAULT 0, `MV7` DOUBLE NOT NULL DEFAULT 0, `MV8` DOUBLE NOT NULL DEFAULT 0,
  `MV9` DOUBLE NOT NULL DEFAULT 0, `MV10` DOUBLE NOT NULL DEFAULT 0, `MV11` DOUBLE NOT NULL DEFAULT 0, `MV12` DOUBLE NOT NULL DEFAULT 0,
  `MV13` DOUBLE NOT NULL DEFAULT 0, `MV14` DOUBLE NOT NULL DEFAULT 0, `MV15` DOUBLE NOT NULL DEFAULT 0, `MV16` DOUBLE NOT NULL DEFAULT 0,
  `MV17` DOUBLE NOT NULL DEFAULT 0, `MV18` DOUBLE NOT NULL DEFAULT 0, `MV19` DOUBLE NOT NULL DEFAULT 0, `MV20` DOUBLE NOT NULL DEFAULT 0,
  `MV21` DOUBLE NOT NULL DEFAULT 0, `MV22` DOUBLE NOT NULL DEFAULT 0, `MV23` DOUBLE NOT NULL DEFAULT 0, `MV24` DOUBLE NOT NULL DEFAULT 0,
  `MV25` DOUBLE NOT NULL DEFAULT 0, `MV26` DOUBLE NOT NULL DEFAULT 0, `MV27` DOUBLE NOT NULL DEFAULT 0, `MV28` DOUBLE NOT NULL DEFAULT 0,
  `MV29` DOUBLE NOT NULL DEFAULT 0, `MV30` DOUBLE NOT NULL DEFAULT 0, `MV31` DOUBLE NOT NULL DEFAULT 0, `MV32` DOUBLE NOT NULL DEFAULT 0,
  `MV33` DOUBLE NOT NULL DEFAULT 0, `MV34` DOUBLE NOT NULL DEFAULT 0, `MV35` DOUBLE NOT NULL DEFAULT 0, `MV36` DOUBLE NOT NULL DEFAULT 0,
  `MV37` DOUBLE NOT NULL DEFAULT 0, `MV38` DOUBLE NOT NULL DEFAULT 0, `MV39` DOUBLE NOT NULL DEFAULT 0, `MV40` DOUBLE NOT NULL DEFAULT 0,
  `MV41` DOUBLE NOT NULL DEFAULT 0, `MV42` DOUBLE NOT NULL DEFAULT 0, `MV43` DOUBLE NOT NULL DEFAULT 0, `MV44` DOUBLE NOT NULL DEFAULT 0,
  `MV45` DOUBLE NOT NULL DEFAULT 0, `MV46` DOUBLE NOT NULL DEFAULT 0, `MV47` DOUBLE NOT NULL DEFAULT 0, `MV48` DOUBLE NOT NULL DEFAULT 0,
  KEY `eggs_species` (`speciesID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `quarter_month_predation` LIKE `quarter_month_eggs`;

-- --------------------------------------------------------------- measures --
CREATE TABLE IF NOT EXISTS `measures` (
  `measureID` INT NOT NULL,
  `name` VARCHAR(255) NOT NULL DEFAULT '',
  `month_quarter_first_use` INT NOT NULL DEFAULT 0,
  `distance_2use` INT NOT NULL DEFAULT 0,
  `distance_3use` INT NOT NULL DEFAULT 0,
  `distance_4use` INT NOT NULL DEFAULT 0,
  `early_land_use` INT NOT NULL DEFAULT 0,
  `prior_cropland` TINYINT(1) NOT NULL DEFAULT 0,
  `fertilization` TINYINT(1) NOT NULL DEFAULT 0,
  `livestock_density_1` DOUBLE NOT NULL DEFAULT 0,
  `livestock_density_2` DOUBLE NOT NULL DEFAULT 0,
  `livestock_density_3` DOUBLE NOT NULL DEFAULT 0,
  `livestock_density_4` DOUBLE NOT NULL DEFAULT 0,
  `livestockID_1` INT NOT NULL DEFAULT 0,
  `livestockID_2` INT NOT NULL DEFAULT 0,
  `livestockID_3` INT NOT NULL DEFAULT 0,
  `livestockID_4` INT NOT NULL DEFAULT 0,
  `method_nr` INT NOT NULL DEFAULT 0,
  `selection` INT NOT NULL DEFAULT 0,
  PRIMARY KEY (`measureID`),
  KEY `measures_name` (`name`, `month_quarter_first_use`),
  KEY `measures_selection` (`selection`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `livestock` (
  `livestockID` INT NOT NULL,
  `livestock_name` VARCHAR(255) NOT NULL DEFAULT '',
  `GVE` DOUBLE NOT NULL DEFAULT 0,
  `uptake_rate` DOUBLE NOT NULL DEFAULT 0,
  PRIMARY KEY (`livestockID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `selection` (
  `measureID` INT NOT NULL,
  `selectie3` INT NOT NULL DEFAULT 0,
  KEY `selection_selectie3` (`selectie3`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ------------------------------------------------------ agronomic tables --
CREATE TABLE IF NOT EXISTS `variable_costs` (
  `methodID` INT NOT NULL,
  `utilisation_years` INT NOT NULL DEFAULT 0,
  `amount_of_seeds` DOUBLE NOT NULL DEFAULT 0,
  `seed_price` DOUBLE NOT NULL DEFAULT 0,
  `seed_expense` DOUBLE NOT NULL DEFAULT 0,
  `amount_herbicide` DOUBLE NOT NULL DEFAULT 0,
  `price_per_herbicide` DOUBLE NOT NULL DEFAULT 0,
  `cost_of_pest_management` DOUBLE NOT NULL DEFAULT 0,
  `amount_fertilizer_N` DOUBLE NOT NULL DEFAULT 0,
  `legume_portion` DOUBLE NOT NULL DEFAULT 0,
  `amount_fertilizer_P` DOUBLE NOT NULL DEFAULT 0,
  `amount_fertilizer_K` DOUBLE NOT NULL DEFAULT 0,
  `costs_fertilisation` DOUBLE NOT NULL DEFAULT 0,
  `hired_labour` DOUBLE NOT NULL DEFAULT 0,
  `maschine_rental` DOUBLE NOT NULL DEFAULT 0,
  `silage_applicance_portion` DOUBLE NOT NULL DEFAULT 0,
  `costs_silage_other` DOUBLE NOT NULL DEFAULT 0,
  `pasturecosts` DOUBLE NOT NULL DEFAULT 0,
  `personal_costs_per_Akh` DOUBLE NOT NULL DEFAULT 0,
  `optional_extra_cost` DOUBLE NOT NULL DEFAULT 0,
  `reduced_fertilisation_cost` DOUBLE NOT NULL DEFAULT 0,
  KEY `variable_costs_method` (`methodID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `object_for_method` (
  `methodID` INT NOT NULL,
  `objectID` INT NOT NULL,
  `quotient` DOUBLE NOT NULL DEFAULT 0,
  KEY `object_for_method_method` (`methodID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `objectcosts` (
  `objectID` INT NOT NULL,
  `object_name` VARCHAR(255) NOT NULL DEFAULT '',
  `hours_akh/ha` DOUBLE NOT NULL DEFAULT 0,
  `diesel_eur/ha` DOUBLE NOT NULL DEFAULT 0,
  `maintenance_eur/ha` DOUBLE NOT NULL DEFAULT 0,
  `other_eur/ha` DOUBLE NOT NULL DEFAULT 0,
  KEY `objectcosts_object` (`objectID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `method` (
  `methodID` INT NOT NULL,
  `method_name` VARCHAR(255) NOT NULL DEFAULT '',
  `energy_matter_ref_380N` INT NOT NULL DEFAULT 0,
  `energy_matter_ref_245N` INT NOT NULL DEFAULT 0,
  `price_compensation_feed` DOUBLE NOT NULL DEFAULT 0,
  `faktor_compenstion_feed` INT NOT NULL DEFAULT 0,
  KEY `method_method` (`methodID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `usability_first_cut` (
  `quarter_month` INT NOT NULL,
  `N_fertilizer_max` INT NOT NULL DEFAULT 0,
  `usability1` DOUBLE NOT NULL DEFAULT 0,
  `energy_content` INT NOT NULL DEFAULT 0,
  KEY `usability_first_cut_qm` (`quarter_month`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `usability_other_cuts` (
  `cut_interval` INT NOT NULL,
  `N_fertilizer_max` INT NOT NULL DEFAULT 0,
  `usability1` DOUBLE NOT NULL DEFAULT 0,
  `energy_content` INT NOT NULL DEFAULT 0,
  KEY `usability_other_cuts_interval` (`cut_interval`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `cut_use` (
  `methodID` INT NOT NULL,
  `disturbance_correction_dry_matter_first_cut` DOUBLE NOT NULL DEFAULT 0,
  `disturbance_correction_dry_matter_second_cut` DOUBLE NOT NULL DEFAULT 0,
  `disturbance_correction_dry_matter_other_cuts` DOUBLE NOT NULL DEFAULT 0,
  `regrowth_delay_dry_matter_first_cut` TINYINT(1) NOT NULL DEFAULT 0,
  `regrowth_delay_dry_matter_second_cut` TINYINT(1) NOT NULL DEFAULT 0,
  `regrowth_delay_dry_matter_other_cuts` TINYINT(1) NOT NULL DEFAULT 0,
  KEY `cut_use_method` (`methodID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `quarter_month_dry_matter` (
  `N-fertilizer` INT NOT NULL,
  `MV1` INT NOT NULL DEFAULT 0, `MV2` INT NOT NULL DEFAULT 0, `MV3` INT NOT NULL DEFAULT 0, `MV4` INT NOT NULL DEFAULT 0,
  `MV5` INT NOT NULL DEFAULT 0, `MV6` INT NOT NULL DEFAULT 0, `MV7` INT NOT NULL DEFAULT 0, `MV8` INT NOT NULL DEFAULT 0,
  `MV9` INT NOT NULL DEFAULT 0, `MV10` INT NOT NULL DEFAULT 0, `MV11` INT NOT NULL DEFAULT 0, `MV12` INT NOT NULL DEFAULT 0,
  `MV13` INT NOT NULL DEFAULT 0, `MV14` INT NOT NULL DEFAULT 0, `MV15` INT NOT NULL DEFAULT 0, `MV16` INT NOT NULL DEFAULT 0,
  `MV17` INT NOT NULL DEFAULT 0, `MV18` INT NOT NULL DEFAULT 0, `MV19` INT NOT NULL DEFAULT 0, `MV20` INT NOT NULL DEFAULT 0,
  `MV21` INT NOT NULL DEFAULT 0, `MV22` INT NOT NULL DEFAULT 0, `MV23` INT NOT NULL DEFAULT 0, `MV24` INT NOT NULL DEFAULT 0,
  `MV25` INT NOT NULL DEFAULT 0, `MV26` INT NOT NULL DEFAULT 0, `MV27` INT NOT NULL DEFAULT 0, `MV28` INT NOT NULL DEFAULT 0,
  `MV29` INT NOT NULL DEFAULT 0, `MV30` INT NOT NULL DEFAULT 0, `MV31` INT NOT NULL DEFAULT 0, `MV32` INT NOT NULL DEFAULT 0,
  `MV33` INT NOT NULL DEFAULT 0, `MV34` INT NOT NULL DEFAULT 0, `MV35` INT NOT NULL DEFAULT 0, `MV36` INT NOT NULL DEFAULT 0,
  `MV37` INT NOT NULL DEFAULT 0, `MV38` INT NOT NULL DEFAULT 0, `MV39` INT NOT NULL DEFAULT 0, `MV40` INT NOT NULL DEFAULT 0,
  `MV41` INT NOT NULL DEFAULT 0, `MV42` INT NOT NULL DEFAULT 0, `MV43` INT NOT NULL DEFAULT 0, `MV44` INT NOT NULL DEFAULT 0,
  `MV45` INT NOT NULL DEFAULT 0, `MV46` INT NOT NULL DEFAULT 0, `MV47` INT NOT NULL DEFAULT 0, `MV48` INT NOT NULL DEFAULT 0,
  KEY `dry_matter_level` (`N-fertilizer`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `regrowth_delay_dry_matter` (
  `previous_cut` INT NOT NULL,
  `next_cut` INT NOT NULL,
  `regrowth_delay` INT NOT NULL DEFAULT 0,
  KEY `regrowth_delay_cuts` (`previous_cut`, `next_cut`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `trampling_mortality` (
  `trampling_mortality_typ` DOUBLE NOT NULL,
  `livestockID` INT NOT NULL,
  `factor` DOUBLE NOT NULL DEFAULT 0,
  KEY `trampling_class_livestock` (`trampling_mortality_typ`, `livestockID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `growth_rate` (
  `hightID` INT NOT NULL,
  `grasslandvalue_max` INT NOT NULL DEFAULT 0,
  `livestock_density_max` DOUBLE NOT NULL DEFAULT 0,
  `livestock_density_min` DOUBLE NOT NULL DEFAULT 0,
  `low_min` DOUBLE NOT NULL DEFAULT 0,
  `medium_min` DOUBLE NOT NULL DEFAULT 0,
  `high_min` DOUBLE NOT NULL DEFAULT 0,
  `low_max` DOUBLE NOT NULL DEFAULT 0,
  `medium_max` DOUBLE NOT NULL DEFAULT 0,
  `high_max` DOUBLE NOT NULL DEFAULT 0,
  KEY `growth_rate_hight` (`hightID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- -------------------------------------------------------------- landscape --
CREATE TABLE IF NOT EXISTS `country` (
  `countryID` INT NOT NULL,
  `name` VARCHAR(255) NOT NULL DEFAULT '',
  `growth_start` INT NOT NULL DEFAULT 0,
  PRIMARY KEY (`countryID`),
  KEY `country_name` (`name`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `matrix_referenz` (
  `countryID` INT NOT NULL,
  `number_of_rows` INT NOT NULL DEFAULT 0,
  `number_of_columns` INT NOT NULL DEFAULT 0,
  `pixel_lenght_x` INT NOT NULL DEFAULT 0,
  `pixel_lenght_y` INT NOT NULL DEFAULT 0,
  KEY `matrix_referenz_country` (`countryID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `pixel` (
  `pixelID` INT NOT NULL,
  `countryID` INT NOT NULL,
  `country` VARCHAR(255) NOT NULL DEFAULT '',
  `matrix_i` INT NOT NULL DEFAULT 0,
  `matrix_j` INT NOT NULL DEFAULT 0,
  `x_coordinate` INT NOT NULL DEFAULT 0,
  `y_coordinate` INT NOT NULL DEFAULT 0,
  `drained` TINYINT(1) NOT NULL DEFAULT 0,
  `wet` DOUBLE NOT NULL DEFAULT 0,
  `fresh` DOUBLE NOT NULL DEFAULT 0,
  `dry` DOUBLE NOT NULL DEFAULT 0,
  `altitude` INT NOT NULL DEFAULT 0,
  `grassland_economic_value` INT NOT NULL DEFAULT 0,
  `grassland_economic_value_random` INT NOT NULL DEFAULT 0,
  `cropland_economic_value` INT NOT NULL DEFAULT 0,
  `cropland_economic_value_random` INT NOT NULL DEFAULT 0,
  `land_use_type` VARCHAR(16) NOT NULL DEFAULT '',
  `policy_status_grass_cropland` INT NOT NULL DEFAULT 0,
  `manure_status_grass_cropland` INT NOT NULL DEFAULT 0,
  `number_of_grassland_types` INT NOT NULL DEFAULT 0,
  `grasslandtyp1` INT NOT NULL DEFAULT 0,
  `grasslandtyp2` INT NOT NULL DEFAULT 0,
  `OHG` TINYINT(1) NOT NULL DEFAULT 0,
  `farmtype` INT NOT NULL DEFAULT 0,
  `farmhouse_distance` INT NOT NULL DEFAULT 0,
  `fertilization_reduction` INT NOT NULL DEFAULT 0,
  `subclassification` VARCHAR(64) NOT NULL DEFAULT '',
  `settlement` TINYINT(1) NOT NULL DEFAULT 0,
  `forest` TINYINT(1) NOT NULL DEFAULT 0,
  `water_inland` TINYINT(1) NOT NULL DEFAULT 0,
  `mead_past_mow` INT NOT NULL DEFAULT 0,
  PRIMARY KEY (`pixelID`),
  KEY `pixel_country` (`countryID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `cost_for_farmhouse_distance` (
  `farmhouse_distance` INT NOT NULL,
  `additional_cost` DOUBLE NOT NULL DEFAULT 0,
  KEY `farmhouse_distance_key` (`farmhouse_distance`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `grasslandtype` (
  `grasslandtypeID` INT NOT NULL,
  `grasslandtype_name` VARCHAR(255) NOT NULL DEFAULT '',
  `WES` DOUBLE NOT NULL DEFAULT 0,
  `WOLA` DOUBLE NOT NULL DEFAULT 0,
  `WKLA` DOUBLE NOT NULL DEFAULT 0,
  `quantity` INT NOT NULL DEFAULT 0,
  `energy` INT NOT NULL DEFAULT 0,
  `height` INT NOT NULL DEFAULT 0,
  PRIMARY KEY (`grasslandtypeID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `contour` (
  `countryID` INT NOT NULL,
  `id` INT NOT NULL,
  `x` INT NOT NULL DEFAULT 0,
  `y` INT NOT NULL DEFAULT 0,
  KEY `contour_country_id` (`countryID`, `id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Where an imported study area lies: its coordinate system (WKT, empty when
-- the layers had none), the geotransform of its grid (origin of the top-left
-- cell corner, cell width, cell height negative for north-up grids) and the
-- pixel columns that came from layers, so that exports are georeferenced and
-- carry the imported bands.
CREATE TABLE IF NOT EXISTS `country_georeference` (
  `countryID` INT NOT NULL,
  `spatial_reference` MEDIUMTEXT NOT NULL,
  `origin_x` DOUBLE NOT NULL DEFAULT 0,
  `origin_y` DOUBLE NOT NULL DEFAULT 0,
  `cell_width` DOUBLE NOT NULL DEFAULT 0,
  `cell_height` DOUBLE NOT NULL DEFAULT 0,
  `layer_columns` TEXT NOT NULL,
  PRIMARY KEY (`countryID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- --------------------------------------------------------- grassland types --
CREATE TABLE IF NOT EXISTS `grassland` (
  `grasslandID` INT NOT NULL AUTO_INCREMENT,
  `name_engl` VARCHAR(255) NOT NULL DEFAULT '',
  `name_latin` VARCHAR(255) NOT NULL DEFAULT '',
  `code` INT NOT NULL DEFAULT 0,
  `altitude_high` TINYINT(1) NOT NULL DEFAULT 0,
  `altitude_low` TINYINT(1) NOT NULL DEFAULT 0,
  `soil_moister_requi_wet` DOUBLE NOT NULL DEFAULT 0,
  `soil_moister_requi_fresh` DOUBLE NOT NULL DEFAULT 0,
  `soil_moister_requi_dry` DOUBLE NOT NULL DEFAULT 0,
  `low_productivity` TINYINT(1) NOT NULL DEFAULT 0,
  `normal_productivity` TINYINT(1) NOT NULL DEFAULT 0,
  `fertilization` TINYINT(1) NOT NULL DEFAULT 0,
  `no_fertilization` TINYINT(1) NOT NULL DEFAULT 0,
  `speciesID` INT NOT NULL DEFAULT 0,
  `name_editor` VARCHAR(255) NOT NULL DEFAULT '',
  `savetime` DATETIME(6) NOT NULL DEFAULT CURRENT_TIMESTAMP(6),
  PRIMARY KEY (`grasslandID`),
  KEY `grassland_name_savetime` (`name_engl`, `savetime`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `measure_grassland` (
  `measureID` INT NOT NULL,
  `grasslandID` INT NOT NULL,
  KEY `measure_grassland_grassland` (`grasslandID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `species_grassland` (
  `grasslandID` INT NOT NULL,
  `speciesID` INT NOT NULL,
  KEY `species_grassland_species` (`speciesID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ----------------------------------------------------------------- results --
CREATE TABLE IF NOT EXISTS `configuration` (
  `configurationID` INT NOT NULL,
  `measureID` INT NOT NULL DEFAULT 0,
  `payment` DOUBLE NOT NULL DEFAULT 0,
  `area` DOUBLE NOT NULL DEFAULT 0,
  `configname` VARCHAR(255) NOT NULL DEFAULT '',
  `countryID` INT NOT NULL DEFAULT 0,
  KEY `configuration_id` (`configurationID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Payments that differ by zone: one row per measure and zone of a stored
-- configuration (its `configuration` rows keep one payment per measure).
CREATE TABLE IF NOT EXISTS `configuration_zone_payment` (
  `configurationID` INT NOT NULL,
  `measureID` INT NOT NULL,
  `zoning` VARCHAR(255) NOT NULL DEFAULT '',
  `zone` VARCHAR(255) NOT NULL DEFAULT '',
  `payment` DOUBLE NOT NULL DEFAULT 0,
  `participants` INT NOT NULL DEFAULT 0,
  `area` DOUBLE NOT NULL DEFAULT 0,
  KEY `configuration_zone_payment_id` (`configurationID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- The zone of every raster cell of a stored configuration with payments by
-- zone: rows per zone, its cells as blank-separated "first:count" runs of
-- row-major cell indexes, so that maps draw the zones of any zoning.
CREATE TABLE IF NOT EXISTS `configuration_zone_cells` (
  `configurationID` INT NOT NULL,
  `zone_index` INT NOT NULL DEFAULT 0,
  `zone` VARCHAR(255) NOT NULL DEFAULT '',
  `number_of_rows` INT NOT NULL DEFAULT 0,
  `number_of_columns` INT NOT NULL DEFAULT 0,
  `cells` MEDIUMTEXT NOT NULL,
  KEY `configuration_zone_cells_id` (`configurationID`, `zone_index`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- The zones of the rows in `results_for_viusualitsation` when the analysis
-- that wrote them paid by zone, as above; `map_rows` identifies the rows they
-- were written with, so that later rows do not show stale zones.
CREATE TABLE IF NOT EXISTS `visualisation_zone_cells` (
  `zone_index` INT NOT NULL DEFAULT 0,
  `zone` VARCHAR(255) NOT NULL DEFAULT '',
  `zoning` VARCHAR(255) NOT NULL DEFAULT '',
  `number_of_rows` INT NOT NULL DEFAULT 0,
  `number_of_columns` INT NOT NULL DEFAULT 0,
  `cells` MEDIUMTEXT NOT NULL,
  `map_rows` VARCHAR(255) NOT NULL DEFAULT '',
  KEY `visualisation_zone_cells_index` (`zone_index`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `result` (
  `pixelID` INT NOT NULL,
  `configurationID` INT NOT NULL,
  `measureID` INT NOT NULL DEFAULT 0,
  `benefit` DOUBLE NOT NULL DEFAULT 0,
  KEY `result_configuration` (`configurationID`, `pixelID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `resulting_quality` (
  `pixelID` INT NOT NULL,
  `configurationID` INT NOT NULL,
  `speciesID` INT NOT NULL DEFAULT 0,
  `quality` DOUBLE NOT NULL DEFAULT 0,
  KEY `resulting_quality_configuration` (`configurationID`, `speciesID`, `pixelID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `results_for_viusualitsation` (
  `measureID` INT NOT NULL DEFAULT 0,
  `measure_name` VARCHAR(255) NOT NULL DEFAULT '',
  `speciesID` INT NOT NULL DEFAULT 0,
  `species_name` VARCHAR(255) NOT NULL DEFAULT '',
  `quality` DOUBLE NOT NULL DEFAULT 0,
  `pixelID` INT NOT NULL DEFAULT 0,
  `pixel_i` INT NOT NULL DEFAULT 0,
  `pixel_j` INT NOT NULL DEFAULT 0,
  `pixel_x` INT NOT NULL DEFAULT 0,
  `pixel_y` INT NOT NULL DEFAULT 0,
  `benefit` DOUBLE NOT NULL DEFAULT 0,
  `payment` DOUBLE NOT NULL DEFAULT 0,
  `countryID` INT NOT NULL DEFAULT 0,
  KEY `visualisation_country` (`countryID`, `species_name`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `graphic` (
  `measureID` INT NOT NULL DEFAULT 0,
  `speciesID` INT NOT NULL DEFAULT 0,
  `m_name` VARCHAR(255) NOT NULL DEFAULT '',
  `species_name` VARCHAR(255) NOT NULL DEFAULT '',
  `qual_min` DOUBLE NOT NULL DEFAULT 0,
  `qual_max` DOUBLE NOT NULL DEFAULT 0,
  `qual_medium` DOUBLE NOT NULL DEFAULT 0,
  `cost_min` DOUBLE NOT NULL DEFAULT 0,
  `cost_max` DOUBLE NOT NULL DEFAULT 0,
  `cost_medium` DOUBLE NOT NULL DEFAULT 0,
  `eff_area` DOUBLE NOT NULL DEFAULT 0,
  `nr_pixel` INT NOT NULL DEFAULT 0
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ----------------------------------------------------------------- batches --
-- A batch of scenario runs: the batch file as submitted, and one row per run
-- with its parameters, its state and, once done, the summary of its result.
-- A run claims its row (state 'running', the claiming connection's ID); a row
-- left 'running' by a connection that is gone is claimed again.
CREATE TABLE IF NOT EXISTS `batch` (
  `batchID` INT NOT NULL AUTO_INCREMENT,
  `name` VARCHAR(255) NOT NULL DEFAULT '',
  `batch_file` LONGTEXT NOT NULL,
  `source_path` VARCHAR(1024) NOT NULL DEFAULT '',
  `base_scenario` LONGTEXT NOT NULL,
  `created` DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
  PRIMARY KEY (`batchID`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS `batch_run` (
  `batchID` INT NOT NULL,
  `run_index` INT NOT NULL,
  `parameters` TEXT NOT NULL,
  `state` ENUM('queued', 'running', 'done', 'failed') NOT NULL DEFAULT 'queued',
  `attempt` INT NOT NULL DEFAULT 0,
  `host` VARCHAR(255) NULL,
  `connection_id` BIGINT UNSIGNED NULL,
  `started` DATETIME(6) NULL,
  `finished` DATETIME(6) NULL,
  `seconds` DOUBLE NULL,
  `analysis_seconds` DOUBLE NULL,
  `summary` LONGTEXT NULL,
  `configurationID` INT NULL,
  `error` TEXT NULL,
  PRIMARY KEY (`batchID`, `run_index`),
  KEY `batch_run_state` (`batchID`, `state`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
